// Server errors as HRESULTs with error info.
#include "error_info.h"

#include <oleauto.h>

#include <new>
#include <string>

#include "B3EdtSvr_h.h"
#include "platform/native_path.h"
#include "server_internal.h"

namespace b3::com {

namespace {

HRESULT HresultOf(std::int32_t number) {
    if (number < 0) return static_cast<HRESULT>(number);
    if (number > 0 && number <= 0xFFFF) {
        return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, static_cast<unsigned>(number));
    }
    return E_FAIL;
}

}  // namespace

HRESULT ReportError(const Error& error) {
    const HRESULT hr = HresultOf(error.number());
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(::CreateErrorInfo(&create))) {
        create->SetGUID(::IID__CEditObject);
        create->SetSource(const_cast<LPOLESTR>(platform::WideFromUtf8(error.source()).c_str()));
        create->SetDescription(
            const_cast<LPOLESTR>(platform::WideFromUtf8(error.description()).c_str()));
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
            ::SetErrorInfo(0, info);
            info->Release();
        }
        create->Release();
    }
    return hr;
}

HRESULT ReportCurrentException(const char* source) noexcept {
    try {
        try {
            throw;
        } catch (const Error& e) {
            return ReportError(e);
        } catch (const std::bad_alloc&) {
            return ReportError(detail::PlatformError(kErrOutOfMemory, source));
        } catch (const std::exception& e) {
            return ReportError(Error(static_cast<std::int32_t>(E_UNEXPECTED), source,
                                     std::string("Unexpected failure: ") + e.what()));
        } catch (...) {
            return ReportError(
                Error(static_cast<std::int32_t>(E_UNEXPECTED), source, "Unexpected failure"));
        }
    } catch (...) {
        // Recording the error failed itself (no memory left for its texts).
        return E_OUTOFMEMORY;
    }
}

}  // namespace b3::com
