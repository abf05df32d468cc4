#include "framework/dispatch_driver.h"

#include "framework/text.h"

#include <utility>
#include <vector>

COleDispatchDriver::COleDispatchDriver(IDispatch* dispatch, bool autoRelease) noexcept
    : m_lpDispatch(dispatch), m_bAutoRelease(autoRelease)
{
}

COleDispatchDriver::COleDispatchDriver(const COleDispatchDriver& other) noexcept : m_lpDispatch(other.m_lpDispatch)
{
    if (m_lpDispatch != nullptr)
        m_lpDispatch->AddRef();
}

COleDispatchDriver& COleDispatchDriver::operator=(const COleDispatchDriver& other) noexcept
{
    if (other.m_lpDispatch != nullptr)
        other.m_lpDispatch->AddRef();
    AttachDispatch(other.m_lpDispatch, true);
    return *this;
}

COleDispatchDriver::COleDispatchDriver(COleDispatchDriver&& other) noexcept
    : m_lpDispatch(std::exchange(other.m_lpDispatch, nullptr)), m_bAutoRelease(other.m_bAutoRelease)
{
}

COleDispatchDriver& COleDispatchDriver::operator=(COleDispatchDriver&& other) noexcept
{
    if (this != &other) {
        bool autoRelease = other.m_bAutoRelease;
        AttachDispatch(other.DetachDispatch(), autoRelease);
    }
    return *this;
}

void COleDispatchDriver::AttachDispatch(IDispatch* dispatch, bool autoRelease) noexcept
{
    ReleaseDispatch();
    m_lpDispatch = dispatch;
    m_bAutoRelease = autoRelease;
}

IDispatch* COleDispatchDriver::DetachDispatch() noexcept
{
    return std::exchange(m_lpDispatch, nullptr);
}

void COleDispatchDriver::ReleaseDispatch() noexcept
{
    IDispatch* dispatch = std::exchange(m_lpDispatch, nullptr);
    if (dispatch != nullptr && m_bAutoRelease)
        dispatch->Release();
}

bool COleDispatchDriver::CreateDispatch(const char* progId, COleException* error) noexcept
{
    CLSID classId{};
    HRESULT result = E_INVALIDARG;
    try {
        if (progId != nullptr)
            result = CLSIDFromProgID(fw::Widen(progId).c_str(), &classId);
    } catch (...) {
        result = E_OUTOFMEMORY;
    }
    if (FAILED(result)) {
        if (error != nullptr)
            error->m_sc = result;
        return false;
    }
    return CreateDispatch(classId, error);
}

bool COleDispatchDriver::CreateDispatch(REFCLSID classId, COleException* error) noexcept
{
    IDispatch* dispatch = nullptr;
    HRESULT result = CoCreateInstance(classId, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    if (FAILED(result)) {
        if (error != nullptr)
            error->m_sc = result;
        return false;
    }
    AttachDispatch(dispatch, true);
    return true;
}

fw::unique_variant COleDispatchDriver::InvokeVariants(DISPID id, WORD flags, std::span<fw::unique_variant> arguments) const
{
    if (m_lpDispatch == nullptr)
        throw COleException(E_POINTER);
    // Invoke takes the arguments last to first.
    std::vector<VARIANT> reversed;
    reversed.reserve(arguments.size());
    for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument)
        reversed.push_back(*argument->get());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{};
    parameters.rgvarg = reversed.empty() ? nullptr : reversed.data();
    parameters.cArgs = static_cast<UINT>(reversed.size());
    if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
    }
    fw::unique_variant result;
    EXCEPINFO exception{};
    UINT argumentError = 0;
    HRESULT status = m_lpDispatch->Invoke(id, IID_NULL, 0, flags, &parameters, result.get(),
                                          &exception, &argumentError);
    if (status == DISP_E_EXCEPTION)
        throw fw::TakeException(exception);
    if (FAILED(status))
        throw COleException(status);
    return result;
}

fw::unique_variant COleDispatchDriver::CoerceResult(fw::unique_variant value, VARTYPE type)
{
    fw::unique_variant converted;
    HRESULT status = fw::Coerce(*value, type, converted);
    if (FAILED(status))
        throw COleException(status);
    return converted;
}
