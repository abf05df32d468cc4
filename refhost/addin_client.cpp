#include "refhost/addin_client.h"

#include "framework/text.h"

#include <cstdio>

namespace refhost {

AddinClient::AddinClient(const std::string& extensionProgId)
{
    COleException error(S_OK);
    if (!m_extension.CreateDispatch(extensionProgId.c_str(), &error))
        throw error;
}

COleDynamicDispatchDriver& AddinClient::Handler(const std::string& progId)
{
    if (auto found = m_handlers.find(progId); found != m_handlers.end())
        return found->second;
    COleDynamicDispatchDriver handler;
    COleException error(S_OK);
    if (!handler.CreateDispatch(progId.c_str(), &error))
        throw error;
    return m_handlers.emplace(progId, std::move(handler)).first->second;
}

bool AddinClient::Call(COleDynamicDispatchDriver& object, const char* member, IDispatch* argument)
{
    DISPID id = object.GetDispID(member);
    if (id == -1)
        throw COleException(DISP_E_UNKNOWNNAME);
    return object.InvokeHelper<bool>(id, DISPATCH_METHOD, argument);
}

short AddinClient::ExecuteDirect(const std::string& handler, IDispatch* application, IDispatch* target,
                                 const std::string& itemPath, const std::string& inputText)
{
    COleDynamicDispatchDriver& item = Handler(handler);
    DISPID id = item.GetDispID("ExecuteDirect");
    if (id == -1)
        throw COleException(DISP_E_UNKNOWNNAME);
    return item.InvokeHelper<short>(id, DISPATCH_METHOD, application, target, itemPath, inputText);
}

namespace {

// The results a host meets when it calls an add-in; the system's message texts do not always name them.
struct ResultName {
    HRESULT result;
    const char* name;
};
constexpr ResultName kResultNames[] = {
    {DISP_E_UNKNOWNNAME, "DISP_E_UNKNOWNNAME"},     {DISP_E_MEMBERNOTFOUND, "DISP_E_MEMBERNOTFOUND"},
    {DISP_E_BADPARAMCOUNT, "DISP_E_BADPARAMCOUNT"}, {DISP_E_TYPEMISMATCH, "DISP_E_TYPEMISMATCH"},
    {DISP_E_PARAMNOTFOUND, "DISP_E_PARAMNOTFOUND"}, {DISP_E_EXCEPTION, "DISP_E_EXCEPTION"},
    {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"},   {CO_E_CLASSSTRING, "CO_E_CLASSSTRING"},
    {E_NOINTERFACE, "E_NOINTERFACE"},               {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
    {E_FAIL, "E_FAIL"},
};

} // namespace

std::string DescribeResult(HRESULT result)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    std::string described = code;
    for (const ResultName& known : kResultNames)
        if (known.result == result)
            described += std::string(" ") + known.name;
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length > 0 && text != nullptr) {
        std::wstring message(text, length);
        message.erase(message.find_last_not_of(L" \r\n") + 1);
        if (!message.empty())
            described += " (" + fw::Narrow(message) + ")";
    }
    LocalFree(text);
    return described;
}

std::string DescribeFailure(const std::exception& failure)
{
    if (const auto* raised = dynamic_cast<const COleDispatchException*>(&failure))
        return "the add-in raised \"" + raised->m_strDescription + "\" (error code " + std::to_string(raised->ErrorCode())
               + ")";
    if (const auto* failed = dynamic_cast<const COleException*>(&failure))
        return DescribeResult(failed->m_sc);
    return failure.what();
}

} // namespace refhost
