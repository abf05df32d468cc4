// The automation object a host creates for this extension ("Ulnara19.Extension"): Setup adds the configured
// menus to the host's menu bar, Cleanup removes them. Each live Extension holds a reference on the
// process-wide menu map and keeps the library loaded.
#pragma once

#include "framework/automation.h"

inline constexpr CLSID CLSID_Extension = {0xC10C5335, 0x27A8, 0x40C9, {0x8D, 0xFF, 0x81, 0x8D, 0x14, 0x77, 0x44, 0x3A}};
inline constexpr IID DIID_IUlnaraExtension = {0xB802F5A3, 0xD2A2, 0x11D3, {0x93, 0x91, 0x00, 0xC0, 0x4F, 0x73, 0x6B, 0xCD}};

class Extension final : public fw::AutomationObject {
public:
    Extension();

    // Dispatch ids 1, 2, 3 in this order. Each takes the host's Application object (borrowed).
    bool Setup(IDispatch* application);
    bool Update(IDispatch* application);   // TRUE, whatever it is given
    bool Cleanup(IDispatch* application);

private:
    ~Extension() override;
    std::span<const fw::DispatchMember> Members() const noexcept override;
    const IID& DispatchInterfaceId() const noexcept override { return DIID_IUlnaraExtension; }
};
