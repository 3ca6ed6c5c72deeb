#pragma once

// The transfer windows beep when an offer arrives and when a file is through. Beeps go
// through this service so that the program can sound them, palavo-cli can print them
// and tests can count them.
class IBeepService
{
public:
    virtual ~IBeepService() = default;
    virtual void Beep(int frequency, int durationMs) = 0;
};

// For hosts without a sound to make.
class SilentBeeps : public IBeepService
{
public:
    void Beep(int, int) override {}
};
