// The stand-in host: an application of the suite as far as the add-in can see it, built on the automation
// object base. Tests assemble plain models (windows with menu bars, documents of the three host families)
// and hand the add-in automation objects over them; every automation object is a view that holds its model
// by shared_ptr, so views can point at each other (a menu item at its application) without cycles, and a
// later model (documents read from files) plugs in behind the same views.
//
// The host records how often each member name was looked up and can be told to misbehave per object kind
// (the names of the add-in's wrappers: "Application", "MenuItems", "IVelmoraObjects", ...) and member:
// lack the member, raise a dispatch exception from it, or fail it with an HRESULT.
#pragma once

#include "framework/automation.h"
#include "framework/ole_exception.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace refhost {

struct Window;

// An open document of any host family; it makes the automation object the host hands out for it.
class Document : public std::enable_shared_from_this<Document> {
public:
    virtual ~Document() = default;
    virtual fw::ComPtr<IDispatch> CreateView(const std::shared_ptr<class Host>& host) = 0;
};

// Data by clipboard format, as the host's data object (CDataObject) gets and sets it.
struct DataStore {
    std::map<long, fw::unique_variant> byFormat;
};

class Host : public std::enable_shared_from_this<Host> {
public:
    // An application with one main window.
    static std::shared_ptr<Host> Create(std::string name, long mainWindow);
    // Another main window with the standard menu bar ("File", "Edit", "View", "Window", "Help").
    std::shared_ptr<Window> AddWindow(long mainWindow);

    // What Application.Name answers.
    std::string name;
    std::vector<std::shared_ptr<Window>> windows;
    // Documents opened through Application.Documents (the 3D host's OpenDocument), in order.
    std::vector<std::shared_ptr<Document>> documents;
    // Command ids MenuItems.Add hands out, counting up (separators get 0).
    short nextCommandId = 1001;
    // Imitates a host whose MenuItems.Add takes only three arguments (four give DISP_E_BADPARAMCOUNT).
    bool threeArgumentMenuItems = false;
    // Runs inside every member call (object kind, member name) before the member does: a host that takes
    // incoming calls while its own call is pending calls back into the add-in from here.
    std::function<void(std::string_view kind, std::string_view member)> whileCalled;

    Window& MainWindow() { return *windows.front(); }
    // A new Application object for a window (the first when none is given), with one reference.
    fw::ComPtr<IDispatch> Application(const std::shared_ptr<Window>& window = nullptr);

    // GetIDsOfNames calls per member name, as asked (any object, found or not).
    int LookupCount(std::string_view member) const;
    void ResetLookups() { m_lookups.clear(); }

    // Misbehaviour per object kind and member; an empty kind means every kind.
    void Lack(std::string kind, std::string member);
    // errorCode goes into EXCEPINFO's scode, or into its wCode when inWCode. With `times`, only that many
    // calls raise (counted over every object of the kind); the later ones behave.
    void Raise(std::string kind, std::string member, long errorCode, std::string description, bool inWCode = false,
               int times = kEveryTime);
    static constexpr int kEveryTime = -1;
    void Fail(std::string kind, std::string member, HRESULT result);
    void Behave() { m_rules.clear(); }

    // Used by the objects.
    void RecordLookup(std::wstring_view member);
    bool Lacks(std::string_view kind, std::string_view member) const;
    HRESULT BeforeInvoke(std::string_view kind, std::string_view member) const;   // may throw

private:
    enum class Misbehaviour { Lack, Raise, Fail };
    struct Rule {
        std::string kind;
        std::string member;
        Misbehaviour what;
        long code;
        std::string description;
        bool inWCode;
        mutable int remaining;   // calls that still misbehave; kEveryTime for no limit
    };
    const Rule* FindRule(std::string_view kind, std::string_view member) const;

    std::map<std::string, int, std::less<>> m_lookups;
    std::vector<Rule> m_rules;
};

// Base of every stand-in object: applies the host's misbehaviour rules for its kind.
class HostObject : public fw::AutomationObject {
protected:
    HostObject(std::shared_ptr<Host> host, std::string_view kind) : m_host(std::move(host)), m_kind(kind) {}
    Host& host() const { return *m_host; }
    const std::shared_ptr<Host>& hostPointer() const { return m_host; }

    void OnNameLookup(std::wstring_view name) override { m_host->RecordLookup(name); }
    bool HasMember(const fw::DispatchMember& member) const override { return !m_host->Lacks(m_kind, member.name); }
    HRESULT BeforeInvoke(const fw::DispatchMember& member, WORD, unsigned) override
    {
        // A copy: the callback may replace the host's.
        if (auto callback = m_host->whileCalled)
            callback(m_kind, member.name);
        return m_host->BeforeInvoke(m_kind, member.name);
    }

private:
    std::shared_ptr<Host> m_host;
    std::string_view m_kind;
};

// A 1-based collection (Count, Item) over a snapshot of objects made on demand.
class Collection final : public HostObject {
public:
    using Factory = std::function<fw::ComPtr<IDispatch>(std::size_t index)>;   // 0-based
    Collection(std::shared_ptr<Host> host, std::string_view kind, std::size_t count, Factory factory);

    long Count() const { return static_cast<long>(m_count); }
    fw::ComPtr<IDispatch> Item(long index) const;

private:
    std::span<const fw::DispatchMember> Members() const noexcept override;
    std::size_t m_count;
    Factory m_factory;
};

// The 0-based position of a 1-based collection index; raises the host's error when it is out of range.
std::size_t Position(long index, std::size_t count);

// The text of a VARIANT argument as the stand-in reads it (a missing argument is empty).
std::string ArgumentText(const VARIANT& value);
long ArgumentNumber(const VARIANT& value);
// The bytes of a one-dimensional byte array argument (zero bytes included); raises the host's error for
// anything else.
std::string ArgumentBytes(const VARIANT& value);
// A one-dimensional byte array holding the bytes.
fw::unique_variant ByteArray(std::string_view bytes);

} // namespace refhost
