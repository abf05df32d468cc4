// The automation object ("Ulnara19.Item") the host calls for one of the add-in's menu items. Update decides
// whether the item can be chosen now. Execute (dispatch id 1) and ExecuteDirect (3) keep their places in
// the member table but answer DISP_E_MEMBERNOTFOUND until item execution is built.
#pragma once

#include "framework/automation.h"

inline constexpr CLSID CLSID_Item = {0xF91CA0E9, 0xABAE, 0x4567, {0x86, 0xCD, 0x60, 0x9D, 0xDE, 0x39, 0x1E, 0x61}};
inline constexpr IID DIID_IUlnaraItem = {0xB802F5A6, 0xD2A2, 0x11D3, {0x93, 0x91, 0x00, 0xC0, 0x4F, 0x73, 0x6B, 0xCD}};

class Item final : public fw::AutomationObject {
public:
    Item();

    // The host's MenuItem (borrowed). TRUE; a host the add-in cannot classify gets a failed call.
    bool Update(IDispatch* menuItem);

private:
    ~Item() override = default;
    std::span<const fw::DispatchMember> Members() const noexcept override;
    const IID& DispatchInterfaceId() const noexcept override { return DIID_IUlnaraItem; }
};
