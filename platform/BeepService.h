#pragma once

// The transfer windows beep when an offer arrives and when a file is through. Beeps go
// through this service so that the program can sound them, palavo-cli can print them
// and tests can count them. Until a host installs one, beeps are silent.
class IBeepService
{
public:
    virtual ~IBeepService() = default;
    virtual void Beep(int frequency, int durationMs) = 0;
};

IBeepService& Beeps();
// The caller keeps ownership; pass null to go back to silence.
void SetBeepService(IBeepService* service);
