#include "refhost/host.h"

#include "framework/text.h"
#include "refhost/application.h"

namespace refhost {

std::shared_ptr<Host> Host::Create(std::string name, long mainWindow)
{
    auto host = std::make_shared<Host>();
    host->name = std::move(name);
    auto window = std::make_shared<Window>();
    window->mainWindow = mainWindow;
    auto bar = std::make_shared<MenuBarModel>();
    for (const char* caption : {"File", "Edit", "View", "Window", "Help"}) {
        bar->menus.push_back(std::make_shared<MenuModel>());
        bar->menus.back()->caption = caption;
    }
    window->menuBars.push_back(std::move(bar));
    host->windows.push_back(std::move(window));
    return host;
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
    m_rules.push_back({std::move(kind), std::move(member), Misbehaviour::Lack, 0, {}, false});
}

void Host::Raise(std::string kind, std::string member, long errorCode, std::string description, bool inWCode)
{
    m_rules.push_back({std::move(kind), std::move(member), Misbehaviour::Raise, errorCode, std::move(description), inWCode});
}

void Host::Fail(std::string kind, std::string member, HRESULT result)
{
    m_rules.push_back({std::move(kind), std::move(member), Misbehaviour::Fail, result, {}, false});
}

const Host::Rule* Host::FindRule(std::string_view kind, std::string_view member) const
{
    for (const Rule& rule : m_rules)
        if ((rule.kind.empty() || rule.kind == kind) && rule.member == member)
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

long ArgumentNumber(const VARIANT& value)
{
    fw::unique_variant number;
    if (FAILED(fw::Coerce(value, VT_I4, number)))
        throw COleDispatchException("Expected a number", 0, DISP_E_TYPEMISMATCH);
    return V_I4(number.get());
}

} // namespace refhost
