#pragma once

#include <cstdint>

// Result codes of the component interface, with the values automation callers know.
using HRESULT = int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009);

constexpr bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr)
{
    return hr < 0;
}

// Automation booleans travel as 16-bit integers; events carry them as 0 or 1.
using VARIANT_BOOL = int16_t;
using OLE_COLOR = uint32_t;
