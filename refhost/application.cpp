#include "refhost/application.h"

#include "refhost/modeller.h"

#include <algorithm>

namespace refhost {

std::vector<std::string> MenuBarModel::Captions() const
{
    std::vector<std::string> captions;
    for (const auto& menu : menus)
        captions.push_back(menu->caption);
    return captions;
}

std::shared_ptr<MenuModel> MenuBarModel::Find(std::string_view caption) const
{
    for (const auto& menu : menus)
        if (menu->caption == caption)
            return menu;
    return nullptr;
}

namespace {

class MenuItemObject final : public HostObject {
public:
    MenuItemObject(std::shared_ptr<Host> host, std::shared_ptr<Window> window, std::shared_ptr<MenuItemModel> item)
        : HostObject(std::move(host), "MenuItem"), m_window(std::move(window)), m_item(std::move(item))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&MenuItemObject::Application>("Application"),
            fw::Property<&MenuItemObject::Caption>("Caption"),
            fw::Property<&MenuItemObject::CommandID>("CommandID"),
            fw::Property<&MenuItemObject::Enabled, &MenuItemObject::SetEnabled>("Enabled"),
        };
        return members;
    }
    fw::ComPtr<IDispatch> Application() { return host().Application(m_window); }
    std::string Caption() { return m_item->caption; }
    short CommandID() { return m_item->commandId; }
    bool Enabled() { return m_item->enabled; }
    void SetEnabled(bool enabled) { m_item->enabled = enabled; }

    std::shared_ptr<Window> m_window;
    std::shared_ptr<MenuItemModel> m_item;
};

class MenuItemsObject final : public HostObject {
public:
    MenuItemsObject(std::shared_ptr<Host> host, std::shared_ptr<Window> window, std::shared_ptr<MenuModel> menu)
        : HostObject(std::move(host), "MenuItems"), m_window(std::move(window)), m_menu(std::move(menu))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Method<&MenuItemsObject::Add>("Add").Optional(1),
            fw::Property<&MenuItemsObject::Count>("Count"),
        };
        return members;
    }
    HRESULT BeforeInvoke(const fw::DispatchMember& member, WORD flags, unsigned argumentCount) override
    {
        if (member.name == "Add" && host().threeArgumentMenuItems && argumentCount > 3)
            return DISP_E_BADPARAMCOUNT;
        return HostObject::BeforeInvoke(member, flags, argumentCount);
    }
    // The second and fourth arguments are the host's own (the add-in passes 0); the third is the handler id.
    fw::ComPtr<IDispatch> Add(const std::string& caption, const VARIANT&, const VARIANT& handler, const VARIANT& fourth)
    {
        auto item = std::make_shared<MenuItemModel>();
        item->caption = caption;
        item->separator = caption == "-";
        item->argumentCount = fw::IsMissingArgument(fourth) ? 3 : 4;
        item->handlerMissing = fw::IsMissingArgument(handler);
        if (!item->separator) {
            item->handler = ArgumentText(handler);
            item->commandId = host().nextCommandId++;
        }
        m_menu->items.push_back(item);
        return fw::Make<MenuItemObject>(hostPointer(), m_window, std::move(item));
    }
    long Count() { return static_cast<long>(m_menu->items.size()); }

    std::shared_ptr<Window> m_window;
    std::shared_ptr<MenuModel> m_menu;
};

class MenuObject final : public HostObject {
public:
    MenuObject(std::shared_ptr<Host> host, std::shared_ptr<Window> window, std::shared_ptr<MenuModel> menu)
        : HostObject(std::move(host), "Menu"), m_window(std::move(window)), m_menu(std::move(menu))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&MenuObject::Caption>("Caption"),
            fw::Property<&MenuObject::MenuItems>("MenuItems"),
        };
        return members;
    }
    std::string Caption() { return m_menu->caption; }
    fw::ComPtr<IDispatch> MenuItems() { return fw::Make<MenuItemsObject>(hostPointer(), m_window, m_menu); }

    std::shared_ptr<Window> m_window;
    std::shared_ptr<MenuModel> m_menu;
};

class MenusObject final : public HostObject {
public:
    MenusObject(std::shared_ptr<Host> host, std::shared_ptr<Window> window, std::shared_ptr<MenuBarModel> bar)
        : HostObject(std::move(host), "Menus"), m_window(std::move(window)), m_bar(std::move(bar))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Method<&MenusObject::Add>("Add").Optional(1),
            fw::Method<&MenusObject::Remove>("Remove"),
            fw::Property<&MenusObject::Count>("Count"),
        };
        return members;
    }
    // Inserts before the menu with the caption `before` names; at the end when there is none.
    fw::ComPtr<IDispatch> Add(const std::string& caption, const VARIANT& before)
    {
        auto menu = std::make_shared<MenuModel>();
        menu->caption = caption;
        std::string beforeCaption = ArgumentText(before);
        auto position = std::find_if(m_bar->menus.begin(), m_bar->menus.end(),
                                     [&](const auto& existing) { return existing->caption == beforeCaption; });
        m_bar->menus.insert(position, menu);
        return fw::Make<MenuObject>(hostPointer(), m_window, std::move(menu));
    }
    // Removes the first menu with the caption; nothing when there is none.
    void Remove(const std::string& caption)
    {
        auto found = std::find_if(m_bar->menus.begin(), m_bar->menus.end(),
                                  [&](const auto& menu) { return menu->caption == caption; });
        if (found != m_bar->menus.end())
            m_bar->menus.erase(found);
    }
    long Count() { return static_cast<long>(m_bar->menus.size()); }

    std::shared_ptr<Window> m_window;
    std::shared_ptr<MenuBarModel> m_bar;
};

class MenuBarObject final : public HostObject {
public:
    MenuBarObject(std::shared_ptr<Host> host, std::shared_ptr<Window> window, std::shared_ptr<MenuBarModel> bar)
        : HostObject(std::move(host), "MenuBar"), m_window(std::move(window)), m_bar(std::move(bar))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&MenuBarObject::Menus>("Menus"),
        };
        return members;
    }
    fw::ComPtr<IDispatch> Menus() { return fw::Make<MenusObject>(hostPointer(), m_window, m_bar); }

    std::shared_ptr<Window> m_window;
    std::shared_ptr<MenuBarModel> m_bar;
};

class MenuBarsObject final : public HostObject {
public:
    MenuBarsObject(std::shared_ptr<Host> host, std::shared_ptr<Window> window)
        : HostObject(std::move(host), "MenuBars"), m_window(std::move(window))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Method<&MenuBarsObject::Item>("Item"),
            fw::Property<&MenuBarsObject::Count>("Count"),
        };
        return members;
    }
    fw::ComPtr<IDispatch> Item(short index)
    {
        return fw::Make<MenuBarObject>(hostPointer(), m_window,
                                       m_window->menuBars[Position(index, m_window->menuBars.size())]);
    }
    long Count() { return static_cast<long>(m_window->menuBars.size()); }

    std::shared_ptr<Window> m_window;
};

} // namespace

fw::ComPtr<IDispatch> MakeMenuItem(std::shared_ptr<Host> host, std::shared_ptr<Window> window,
                                   std::shared_ptr<MenuItemModel> item)
{
    return fw::Make<MenuItemObject>(std::move(host), std::move(window), std::move(item));
}

ApplicationObject::ApplicationObject(std::shared_ptr<Host> host, std::shared_ptr<Window> window)
    : HostObject(std::move(host), "Application"), m_window(std::move(window))
{
}

std::span<const fw::DispatchMember> ApplicationObject::Members() const noexcept
{
    static constexpr fw::DispatchMember members[] = {
        fw::Property<&ApplicationObject::ActiveDocument>("ActiveDocument"),
        fw::Property<&ApplicationObject::Documents>("Documents"),
        fw::Property<&ApplicationObject::MainWindow>("MainWindow"),
        fw::Property<&ApplicationObject::MenuBars>("MenuBars"),
        fw::Property<&ApplicationObject::Name>("Name"),
    };
    return members;
}

fw::ComPtr<IDispatch> ApplicationObject::ActiveDocument()
{
    if (!m_window->activeDocument)
        return nullptr;
    return m_window->activeDocument->CreateView(hostPointer());
}

fw::ComPtr<IDispatch> ApplicationObject::Documents()
{
    return MakeDocuments(hostPointer(), m_window);
}

fw::ComPtr<IDispatch> ApplicationObject::MenuBars()
{
    return fw::Make<MenuBarsObject>(hostPointer(), m_window);
}

} // namespace refhost
