// The add-in as a host loads it: the extension object created by its ProgID, the handler object of each item
// created by the handler id the item was added with (a ProgID) on first use and kept, and the calls a host
// makes: Setup for each main window, Update before it shows an item, Execute when the user chooses one,
// Cleanup when a window's menus are to go; and ExecuteDirect, with which a program runs an item by its
// configuration path without a menu. Failed calls arrive as the dispatch driver's exceptions
// (COleDispatchException for an error the add-in raised, COleException with the HRESULT otherwise).
#pragma once

#include "host/dynamic_dispatch.h"

#include <map>
#include <string>

namespace refhost {

class AddinClient {
public:
    // Throws COleException when the object cannot be created.
    explicit AddinClient(const std::string& extensionProgId);

    bool Setup(IDispatch* application) { return Call(m_extension, "Setup", application); }
    bool Cleanup(IDispatch* application) { return Call(m_extension, "Cleanup", application); }
    bool Update(const std::string& handler, IDispatch* menuItem) { return Call(Handler(handler), "Update", menuItem); }
    bool Execute(const std::string& handler, IDispatch* menuItem) { return Call(Handler(handler), "Execute", menuItem); }
    // Item.ExecuteDirect of the handler: the item at itemPath with the input text; a structure found goes into
    // target (null: the active document). Returns the add-in's result code.
    short ExecuteDirect(const std::string& handler, IDispatch* application, IDispatch* target,
                        const std::string& itemPath, const std::string& inputText);

private:
    COleDynamicDispatchDriver& Handler(const std::string& progId);
    static bool Call(COleDynamicDispatchDriver& object, const char* member, IDispatch* argument);

    COleDynamicDispatchDriver m_extension;
    std::map<std::string, COleDynamicDispatchDriver> m_handlers;   // created handlers by ProgID
};

// "0x80020003 DISP_E_MEMBERNOTFOUND (Member not found.)": an HRESULT as a person reads it in a report (the
// name for the results a host meets, the system's text where it has one).
std::string DescribeResult(HRESULT result);
// What a failed call to the add-in says: the description and code of a dispatch exception, the HRESULT of
// any other failure, the text of anything else.
std::string DescribeFailure(const std::exception& failure);

} // namespace refhost
