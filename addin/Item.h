// The automation object ("Ulnara19.Item") the host calls for one of the add-in's menu items: Execute runs
// the chosen item, Update decides whether it can be chosen now, and ExecuteDirect runs an item by its
// configuration path with the caller's input, without menus.
#pragma once

#include "framework/automation.h"

#include <string>

inline constexpr CLSID CLSID_Item = {0xF91CA0E9, 0xABAE, 0x4567, {0x86, 0xCD, 0x60, 0x9D, 0xDE, 0x39, 0x1E, 0x61}};
inline constexpr IID DIID_IUlnaraItem = {0xB802F5A6, 0xD2A2, 0x11D3, {0x93, 0x91, 0x00, 0xC0, 0x4F, 0x73, 0x6B, 0xCD}};

class Item final : public fw::AutomationObject {
public:
    Item();

    // Dispatch id 1. The host's MenuItem (borrowed). TRUE unless the item's last request failed; TRUE at
    // once while no Extension is alive. Never fails.
    bool Execute(IDispatch* menuItem);
    // Dispatch id 2. The host's MenuItem (borrowed). TRUE; a host the add-in cannot classify gets a failed call.
    bool Update(IDispatch* menuItem);
    // Dispatch id 3. Runs the item at itemPath with the input text and the caption " "; a fetched structure
    // goes into target (borrowed), or the active document when it is null. ExecuteItem's result; never fails.
    short ExecuteDirect(IDispatch* application, IDispatch* target, std::string itemPath, std::string inputText);

private:
    ~Item() override = default;
    std::span<const fw::DispatchMember> Members() const noexcept override;
    const IID& DispatchInterfaceId() const noexcept override { return DIID_IUlnaraItem; }
};
