#include "framework/object_factory.h"

#include "framework/module.h"
#include "framework/text.h"

#include <olectl.h>

#include <new>

namespace {

std::span<const fw::AutomationClass> registeredClasses;

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(const fw::AutomationClass& automationClass) noexcept : m_class(automationClass)
    {
        fw::Module().Objects().Increment();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override
    {
        if (object == nullptr)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() noexcept override
    {
        ULONG remaining = --m_references;
        if (remaining == 0)
            delete this;
        return remaining;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) noexcept override
    try {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        fw::ComPtr<IDispatch> created = m_class.create();
        return created->QueryInterface(iid, object);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override
    {
        if (lock)
            fw::Module().Lock();
        else
            fw::Module().Unlock();
        return S_OK;
    }

private:
    ~ClassFactory() { fw::Module().Objects().Decrement(); }

    const fw::AutomationClass& m_class;
    std::atomic<ULONG> m_references{0};
};

LONG SetDefaultValue(HKEY root, const std::wstring& path, const std::wstring& valueName, const std::wstring& text)
{
    fw::unique_hkey key;
    LONG status =
        RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), valueName.empty() ? nullptr : valueName.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()), bytes);
}

} // namespace

namespace fw {

std::wstring GuidText(const GUID& guid)
{
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, static_cast<int>(std::size(text)));
    return text;
}

LONG RegisterServerClass(HKEY classesRoot, const AutomationClass& automationClass, const std::wstring& serverPath)
{
    const std::wstring progId = Widen(automationClass.progId);
    const std::wstring classKey = L"CLSID\\" + GuidText(*automationClass.classId);
    const struct {
        std::wstring key;
        const wchar_t* valueName;
        std::wstring text;
    } entries[] = {
        {progId, L"", progId},
        {progId + L"\\CLSID", L"", GuidText(*automationClass.classId)},
        {classKey, L"", progId},
        {classKey + L"\\ProgID", L"", progId},
        {classKey + L"\\InprocServer32", L"", serverPath},
        {classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    };
    for (const auto& entry : entries)
        if (LONG status = SetDefaultValue(classesRoot, entry.key, entry.valueName, entry.text); status != ERROR_SUCCESS)
            return status;
    return ERROR_SUCCESS;
}

} // namespace fw

void COleObjectFactory::RegisterAll(std::span<const fw::AutomationClass> classes) noexcept
{
    registeredClasses = classes;
}

void COleObjectFactory::RevokeAll() noexcept
{
    registeredClasses = {};
}

HRESULT COleObjectFactory::UpdateRegistryAll() noexcept
try {
    // The module's own file, however long its path.
    std::wstring serverPath(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(AfxGetInstanceHandle(), serverPath.data(), static_cast<DWORD>(serverPath.size()));
        if (length == 0)
            return SELFREG_E_CLASS;
        if (length < serverPath.size()) {
            serverPath.resize(length);
            break;
        }
        serverPath.resize(serverPath.size() * 2);
    }
    fw::unique_hkey classesRoot;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_CREATE_SUB_KEY | KEY_SET_VALUE, nullptr, classesRoot.put(), nullptr) != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    for (const fw::AutomationClass& automationClass : registeredClasses)
        if (fw::RegisterServerClass(classesRoot.get(), automationClass, serverPath) != ERROR_SUCCESS)
            return SELFREG_E_CLASS;
    return S_OK;
} catch (...) {
    return SELFREG_E_CLASS;
}

HRESULT AfxDllGetClassObject(REFCLSID classId, REFIID iid, void** object) noexcept
try {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    for (const fw::AutomationClass& automationClass : registeredClasses) {
        if (*automationClass.classId != classId)
            continue;
        fw::ComPtr<ClassFactory> factory(new ClassFactory(automationClass));
        return factory->QueryInterface(iid, object);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
} catch (...) {
    return E_UNEXPECTED;
}
