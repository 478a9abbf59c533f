// Failures leave the COM face as an HRESULT with error info (source and description), so that a
// script's Err object and a C++ client's IErrorInfo show the server's number, source and text.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>

#include "b3/edit_object.h"

namespace b3::com {

// Records the error as this thread's error info and returns its HRESULT: the server's own numbers
// are HRESULTs already (0x800405E8...); a platform number N (9, 53, ...) becomes 0x800A0000 + N,
// which a script shows as N again.
HRESULT ReportError(const Error& error);

// The same for the exception being handled (inside a catch block): a b3::Error as itself,
// anything else as "Out of memory" or an unexpected failure. Nothing is rethrown.
HRESULT ReportCurrentException(const char* source) noexcept;

// Runs `body`, turning every exception into a reported HRESULT: no exception crosses the COM
// boundary.
template <class Body>
HRESULT Guarded(const char* source, Body&& body) noexcept {
    try {
        body();
        return S_OK;
    } catch (...) {
        return ReportCurrentException(source);
    }
}

}  // namespace b3::com
