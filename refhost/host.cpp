#include "refhost/host.h"

#include "framework/text.h"
#include "refhost/application.h"

#include <algorithm>
#include <new>

namespace refhost {

std::shared_ptr<Host> Host::Create(std::string name, long mainWindow)
{
    auto host = std::make_shared<Host>();
    host->name = std::move(name);
    host->AddWindow(mainWindow);
    return host;
}

std::shared_ptr<Window> Host::AddWindow(long mainWindow)
{
    auto window = std::make_shared<Window>();
    window->mainWindow = mainWindow;
    auto bar = std::make_shared<MenuBarModel>();
    for (const char* caption : {"File", "Edit", "View", "Window", "Help"}) {
        bar->menus.push_back(std::make_shared<MenuModel>());
        bar->menus.back()->caption = caption;
    }
    window->menuBars.push_back(std::move(bar));
    windows.push_back(window);
    return window;
}

fw::ComPtr<IDispatch> Host::Application(const std::shared_ptr<Window>& window)
{
    return fw::Make<ApplicationObject>(shared_from_this(), window ? window : windows.front());
}

int Host::LookupCount(std::string_view member) const
{
    auto found = m_lookups.find(member);
    return found == m_lookups.end() ? 0 : found->second;
}

void Host::RecordLookup(std::wstring_view member)
{
    ++m_lookups[fw::Narrow(member)];
}

void Host::Lack(std::string kind, std::string member)
{
    m_rules.push_back({std::move(kind), std::move(member), Misbehaviour::Lack, 0, {}, false, kEveryTime});
}

void Host::Raise(std::string kind, std::string member, long errorCode, std::string description, bool inWCode,
                 int times)
{
    m_rules.push_back(
        {std::move(kind), std::move(member), Misbehaviour::Raise, errorCode, std::move(description), inWCode, times});
}

void Host::Fail(std::string kind, std::string member, HRESULT result)
{
    m_rules.push_back({std::move(kind), std::move(member), Misbehaviour::Fail, result, {}, false, kEveryTime});
}

const Host::Rule* Host::FindRule(std::string_view kind, std::string_view member) const
{
    for (const Rule& rule : m_rules)
        if ((rule.kind.empty() || rule.kind == kind) && rule.member == member && rule.remaining != 0)
            return &rule;
    return nullptr;
}

bool Host::Lacks(std::string_view kind, std::string_view member) const
{
    const Rule* rule = FindRule(kind, member);
    return rule != nullptr && rule->what == Misbehaviour::Lack;
}

HRESULT Host::BeforeInvoke(std::string_view kind, std::string_view member) const
{
    const Rule* rule = FindRule(kind, member);
    if (rule == nullptr || rule->what == Misbehaviour::Lack)
        return S_OK;
    if (rule->remaining > 0)
        --rule->remaining;
    if (rule->what == Misbehaviour::Fail)
        return static_cast<HRESULT>(rule->code);
    if (rule->inWCode)
        throw COleDispatchException(rule->description, static_cast<WORD>(rule->code), 0);
    throw COleDispatchException(rule->description, 0, static_cast<SCODE>(rule->code));
}

Collection::Collection(std::shared_ptr<Host> host, std::string_view kind, std::size_t count, Factory factory)
    : HostObject(std::move(host), kind), m_count(count), m_factory(std::move(factory))
{
}

fw::ComPtr<IDispatch> Collection::Item(long index) const
{
    return m_factory(Position(index, m_count));
}

std::size_t Position(long index, std::size_t count)
{
    if (index < 1 || static_cast<std::size_t>(index) > count)
        throw COleDispatchException("Index out of range", 0, DISP_E_BADINDEX);
    return static_cast<std::size_t>(index - 1);
}

std::span<const fw::DispatchMember> Collection::Members() const noexcept
{
    static constexpr fw::DispatchMember members[] = {
        fw::Property<&Collection::Count>("Count"),
        fw::Method<&Collection::Item>("Item"),
    };
    return members;
}

std::string ArgumentText(const VARIANT& value)
{
    if (fw::IsMissingArgument(value))
        return {};
    fw::unique_variant text;
    if (FAILED(fw::Coerce(value, VT_BSTR, text)))
        throw COleDispatchException("Expected text", 0, DISP_E_TYPEMISMATCH);
    return fw::BstrToNarrow(V_BSTR(text.get()));
}

std::string ArgumentBytes(const VARIANT& value)
{
    const VARIANT& actual = V_VT(&value) == (VT_BYREF | VT_VARIANT) ? *V_VARIANTREF(&value) : value;
    SAFEARRAY* array = nullptr;
    if (V_VT(&actual) == (VT_ARRAY | VT_UI1))
        array = V_ARRAY(&actual);
    else if (V_VT(&actual) == (VT_BYREF | VT_ARRAY | VT_UI1))
        array = *V_ARRAYREF(&actual);
    LONG lower = 0, upper = -1;
    if (array == nullptr || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &lower))
        || FAILED(SafeArrayGetUBound(array, 1, &upper)))
        throw COleDispatchException("Expected a byte array", 0, DISP_E_TYPEMISMATCH);
    if (upper < lower)
        return {};
    fw::safearray_access data(array);
    if (!data)
        throw COleDispatchException("Cannot read the byte array", 0, E_FAIL);
    return std::string(static_cast<const char*>(data.data()), static_cast<std::size_t>(upper - lower + 1));
}

fw::unique_variant ByteArray(std::string_view bytes)
{
    fw::unique_safearray array(SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size())));
    if (!array)
        throw std::bad_alloc();
    {
        fw::safearray_access data(array.get());
        if (!data)
            throw std::bad_alloc();
        std::copy(bytes.begin(), bytes.end(), static_cast<char*>(data.data()));
    }
    fw::unique_variant result;
    V_VT(result.get()) = VT_ARRAY | VT_UI1;
    V_ARRAY(result.get()) = array.release();
    return result;
}

long ArgumentNumber(const VARIANT& value)
{
    fw::unique_variant number;
    if (FAILED(fw::Coerce(value, VT_I4, number)))
        throw COleDispatchException("Expected a number", 0, DISP_E_TYPEMISMATCH);
    return V_I4(number.get());
}

} // namespace refhost
