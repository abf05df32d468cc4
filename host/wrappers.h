// The host applications' objects as the add-in calls them: one thin wrapper per host object kind, named
// after the host's interface, calling members by name. A missing object or a member the host lacks reads as
// the empty value (a null object, 0, false, an empty string or an empty VARIANT) without a call; errors the
// host raises inside a call propagate as COleDispatchException or COleException. Objects the host returns
// are owned by their wrappers (released when the wrapper goes); wrap an object the host passed in with
// auto-release false to borrow it.
#pragma once

#include "host/dynamic_dispatch.h"

#include <cstdint>
#include <string>

class IKorvaneDocuments;
class MenuBars;

// Count and 1-based Item of the drawing host's collections.
template <typename Element>
class VelmoraCollection : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    long Count() { return Get<long>("Count"); }
    Element Item(long index) { return Call<Element>("Item", index); }
};

class Application : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    // The document's kind depends on the host: IVelmoraDocument, IKorvaneDocument or IRavelleDocument.
    // Null when no document is open.
    template <typename Document>
    Document ActiveDocument()
    {
        return Get<Document>("ActiveDocument");
    }
    IKorvaneDocuments Documents();
    // The host's 32-bit window handle, zero-extended: the key of everything the add-in keeps per main window.
    std::int64_t MainWindow() { return static_cast<std::uint32_t>(Get<long>("MainWindow")); }
    ::MenuBars MenuBars();
    std::string Name() { return Get<std::string>("Name"); }
};

class MenuItem : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    ::Application Application() { return Get<::Application>("Application"); }
    std::string Caption() { return Get<std::string>("Caption"); }
    short CommandID() { return Get<short>("CommandID"); }
    void SetEnabled(bool enabled) { Put("Enabled", enabled); }
};

class MenuItems : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    // Appends an item ("-" makes a separator). Called with four arguments; a host that answers
    // DISP_E_BADPARAMCOUNT is asked again with the first three when the fourth holds 0. Any other failing
    // result gives a null item; an error raised inside the host's method propagates.
    MenuItem Add(const std::string& caption, VARIANT* second, VARIANT* third, VARIANT* fourth);
};

class Menu : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    ::MenuItems MenuItems() { return Get<::MenuItems>("MenuItems"); }
};

class Menus : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    // Inserts a top-level menu before the menu with the caption `before` holds, and returns it.
    Menu Add(const std::string& caption, VARIANT* before) { return Call<Menu>("Add", caption, before); }
    void Remove(const std::string& caption) { CallWithoutResult("Remove", caption); }
};

class MenuBar : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    ::Menus Menus() { return Get<::Menus>("Menus"); }
};

class MenuBars : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    // 1 is the main menu bar.
    MenuBar Item(short index) { return Call<MenuBar>("Item", index); }
};

inline MenuBars Application::MenuBars()
{
    return Get<::MenuBars>("MenuBars");
}

// The host's data object: structure data by clipboard format.
class CDataObject : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    fw::unique_variant GetData(long format) { return Call<fw::unique_variant>("GetData", format); }
    void SetData(const VARIANT& data, const VARIANT& format) { CallWithoutResult("SetData", data, format); }
};

// The drawing host family.
class IVelmoraAtom;
class IVelmoraBonds;

class IVelmoraGroup : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    long GroupType() { return Get<long>("GroupType"); }
    long ID() { return Get<long>("ID"); }
};

class IVelmoraAtom : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    IVelmoraBonds Bonds();
    IVelmoraGroup Fragment() { return Get<IVelmoraGroup>("Fragment"); }
    long ID() { return Get<long>("ID"); }
};

class IVelmoraBond : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    IVelmoraAtom Atom1() { return Get<IVelmoraAtom>("Atom1"); }
    IVelmoraAtom Atom2() { return Get<IVelmoraAtom>("Atom2"); }
    long ID() { return Get<long>("ID"); }
};

class IVelmoraAtoms : public VelmoraCollection<IVelmoraAtom> {
public:
    using VelmoraCollection::VelmoraCollection;
};

class IVelmoraBonds : public VelmoraCollection<IVelmoraBond> {
public:
    using VelmoraCollection::VelmoraCollection;
};

inline IVelmoraBonds IVelmoraAtom::Bonds()
{
    return Get<IVelmoraBonds>("Bonds");
}

class IVelmoraObject : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    IVelmoraGroup Fragment() { return Get<IVelmoraGroup>("Fragment"); }
};

class IVelmoraObjects : public VelmoraCollection<IVelmoraObject> {
public:
    using VelmoraCollection::VelmoraCollection;
    // 0.0 when nothing chemical is selected.
    double MolecularWeight() { return Get<double>("MolecularWeight"); }
    // The objects' data in the data type the first argument names. A missing member reads as the
    // missing-argument VARIANT (VT_ERROR DISP_E_PARAMNOTFOUND), not as an empty one.
    fw::unique_variant Data(const VARIANT& dataType, const VARIANT& second, const VARIANT& third, const VARIANT& fourth)
    {
        return CallMember<fw::unique_variant>("Data", DISPATCH_PROPERTYGET, fw::MissingArgument(), dataType, second,
                                              third, fourth);
    }
};

// One reaction component is a collection of drawing objects.
class IVelmoraReactionStepComponents : public VelmoraCollection<IVelmoraObjects> {
public:
    using VelmoraCollection::VelmoraCollection;
};

class IVelmoraReactionStep : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    IVelmoraReactionStepComponents Reactants() { return Get<IVelmoraReactionStepComponents>("Reactants"); }
    IVelmoraReactionStepComponents Products() { return Get<IVelmoraReactionStepComponents>("Products"); }
};

class IVelmoraReactionSteps : public VelmoraCollection<IVelmoraReactionStep> {
public:
    using VelmoraCollection::VelmoraCollection;
};

class IVelmoraReactionScheme : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    IVelmoraReactionSteps ReactionSteps() { return Get<IVelmoraReactionSteps>("ReactionSteps"); }
};

class IVelmoraReactionSchemes : public VelmoraCollection<IVelmoraReactionScheme> {
public:
    using VelmoraCollection::VelmoraCollection;
};

class IVelmoraSelection : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    IVelmoraAtoms Atoms() { return Get<IVelmoraAtoms>("Atoms"); }
    IVelmoraBonds Bonds() { return Get<IVelmoraBonds>("Bonds"); }
    IVelmoraObjects Objects() { return Get<IVelmoraObjects>("Objects"); }
    IVelmoraReactionSchemes ReactionSchemes() { return Get<IVelmoraReactionSchemes>("ReactionSchemes"); }
    CDataObject DataObject() { return Get<CDataObject>("DataObject"); }
};

class IVelmoraDocument : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    IVelmoraSelection Selection() { return Get<IVelmoraSelection>("Selection"); }
    IVelmoraReactionSchemes ReactionSchemes() { return Get<IVelmoraReactionSchemes>("ReactionSchemes"); }
};

// The 3D host family.
class IKorvaneAtoms : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    long Count() { return Get<long>("Count"); }
};

class IKorvaneDocument : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    IKorvaneAtoms Atoms() { return Get<IKorvaneAtoms>("Atoms"); }
    CDataObject DataObject() { return Get<CDataObject>("DataObject"); }
};

class IKorvaneDocuments : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    IKorvaneDocument OpenDocument(const std::string& path) { return Call<IKorvaneDocument>("OpenDocument", path); }
};

inline IKorvaneDocuments Application::Documents()
{
    return Get<IKorvaneDocuments>("Documents");
}

// The database host.
class IRavelleField : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    // 3 marks a structure field, whose recordset value is a molecule object.
    long Type() { return Get<long>("Type"); }
};

class IRavelleFields : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    short Count() { return Get<short>("Count"); }
    // The index travels as a VARIANT holding VT_I2, 1-based.
    IRavelleField Item(short index) { return Call<IRavelleField>("Item", index); }
};

class IRavelleRecordset : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    // The current record's value of a field (by its 1-based index, VT_I2).
    fw::unique_variant Value(short fieldIndex) { return Get<fw::unique_variant>("Value", fieldIndex); }
};

class IRavelleMolecule : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    CDataObject DataObject() { return Get<CDataObject>("DataObject"); }
};

class IRavelleDocument : public COleDynamicDispatchDriver {
public:
    using COleDynamicDispatchDriver::COleDynamicDispatchDriver;
    IRavelleFields Fields() { return Get<IRavelleFields>("Fields"); }
    IRavelleRecordset Recordset() { return Get<IRavelleRecordset>("Recordset"); }
};
