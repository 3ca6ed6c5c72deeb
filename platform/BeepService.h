#pragma once

// The transfer windows beep when an offer arrives and when a file is through; the chat
// client beeps when voice chat comes on and before a refusal box. Beeps go through this
// service so that the program can sound them, palavo-cli can print them and tests can
// count them.
class IBeepService
{
public:
    virtual ~IBeepService() = default;
    // A tone of `frequency` Hz for `durationMs`; a frequency of DesktopBeep asks for the
    // desktop's own sound, whatever its length.
    virtual void Beep(int frequency, int durationMs) = 0;

    static constexpr int DesktopBeep = 0;
};

// For hosts without a sound to make.
class SilentBeeps : public IBeepService
{
public:
    void Beep(int, int) override {}
};
