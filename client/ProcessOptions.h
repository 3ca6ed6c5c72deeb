#pragma once

#include <cstdint>

// The hand-edited switches of section "OPTION", refreshed by every LoadSettings and held
// by the settings object (ChatInfo). The options dialog compares voice, video and wb with
// 1 before offering each medium; debug equal to 1 turns the trace log on.
struct ProcessOptions {
    int32_t voice = 0;
    int32_t file = 0;
    int32_t video = 0;
    int32_t wb = 0;
    int32_t debug = 0;

    bool operator==(const ProcessOptions&) const = default;
};
