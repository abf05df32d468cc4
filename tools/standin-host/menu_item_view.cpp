#include "menu_item_view.h"

namespace standin {
namespace {

class MenuItemView final : public refhost::HostObject {
public:
    MenuItemView(std::shared_ptr<refhost::Host> host, std::shared_ptr<refhost::Window> window,
                 std::shared_ptr<refhost::MenuItemModel> item)
        : HostObject(std::move(host), "MenuItem"), m_window(std::move(window)), m_item(std::move(item))
    {
    }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Property<&MenuItemView::Application>("Application"),
            fw::Property<&MenuItemView::Caption>("Caption"),
            fw::Property<&MenuItemView::CommandID>("CommandID"),
            fw::Property<&MenuItemView::Enabled, &MenuItemView::SetEnabled>("Enabled"),
        };
        return members;
    }
    fw::ComPtr<IDispatch> Application() { return host().Application(m_window); }
    std::string Caption() { return m_item->caption; }
    short CommandID() { return m_item->commandId; }
    bool Enabled() { return m_item->enabled; }
    void SetEnabled(bool enabled) { m_item->enabled = enabled; }

    std::shared_ptr<refhost::Window> m_window;
    std::shared_ptr<refhost::MenuItemModel> m_item;
};

} // namespace

fw::ComPtr<IDispatch> MakeMenuItem(const std::shared_ptr<refhost::Host>& host,
                                   const std::shared_ptr<refhost::Window>& window,
                                   const std::shared_ptr<refhost::MenuItemModel>& item)
{
    return fw::Make<MenuItemView>(host, window, item);
}

} // namespace standin
