// What the chemist selected in the host document, and the structure data exchanged with the host: the
// checks before a structure search (refusals and warnings), the kind of search a selection suggests, and
// reading or writing the selection's structure in a requested data type. Everything goes through the host
// wrappers: a member the host lacks reads as 0 or an empty object, and errors the host raises propagate
// (except where said). No state is kept between calls apart from the clipboard format identifiers.
//
// Cost: each host access is an automation call. The partial-selection check reads each selected atom's and
// bond's ID at most once, so it grows linearly with the selection; ContainsAtom and ContainsBond scan.
#pragma once

#include "host/wrappers.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The kind of search a selection suggests. The values are the control ids of the search choice dialog's
// options and, minus 1000, the number of the configured target suffix.
enum VelmoraSelectionType : std::int32_t {
    SelectionReaction = 1000,      // the selection holds a whole reaction
    SelectionSubstructure = 1001,  // plain structures; the default
    SelectionExact = 1002,         // chosen by the user only, never by the analysis
    SelectionProducts = 1003,      // the selected structures are products of a reaction in the document
    SelectionReactants = 1004,     // the selected structures are reactants of a reaction in the document
};

// The host's binary exchange format: its clipboard format name, and the data type (with a backslash, compared
// exactly) that asks for it.
inline constexpr char vlxFormatName[] = "Velmora Interchange Format";
inline constexpr char vlxMimeType[] = "chemical\\x-vlx";

// The registered clipboard formats: 0 until first use, then what RegisterClipboardFormatA answers for
// vlxFormatName and for "Velmora" (the 3D hosts' name for it). Written only on the user-interface thread.
extern UINT vlxFormat;
extern UINT kvnVLXFormat;

// The selection's structure in the data type, with the number of reactions selected, a refusal or warning
// message (set only when there is one) and the kind of search. False (data untouched) when the selection is
// refused. Data the host answers with an error value reads as empty. Throws std::runtime_error
// "Unknown application" for a host that is not of the suite.
bool GetStructureData(Application& application, std::string dataType, std::string& data, int& numReactions,
                      std::string& message, VelmoraSelectionType& selectionType);
// Puts exchange-format bytes (zero bytes included) into the drawing host's document: the given one, which is
// only borrowed, or the active one when null. Other hosts are left alone.
void SetStructureData(Application& application, std::string data, IDispatch* targetDocument = nullptr);

// False with message 1006 (several reactions) or 1007 (a reaction of several steps); otherwise true, with
// the warning 1008 (partial) or 1009 (several structures, which replaces 1008) for plain structures.
bool ValidateVelmoraSelection(IVelmoraSelection& selection, int& numReactions, std::string& message);
VelmoraSelectionType AnalyzeVelmoraSelection(IVelmoraDocument& document);
// The selected reaction schemes, except that a single scheme of one step without reactants or without
// products counts 0.
int GetNumReactions(IVelmoraSelection& selection);
// A selected bond without one of its atoms, or a selected atom without one of its bonds, judged by host IDs.
// Each selected ID is read at most once; the answer, and where a failing host raises, are those of scanning
// the selection with ContainsAtom for each bond end and then ContainsBond for each bond of each atom.
bool IsPartialSelection(IVelmoraSelection& selection);
bool HasMultipleStructures(IVelmoraSelection& selection);
// The fragment group IDs of the selected atoms, each once, in order of first appearance.
std::vector<std::int32_t> GetSelectionFragments(IVelmoraSelection& selection);
// The ID of the first object's fragment group of type 1 in a reaction component, or -1. An error the host
// raises for one object skips that object.
int GetFragmentID(IVelmoraObjects& component);
// Whether a member has the same host ID as the probe.
bool ContainsAtom(IVelmoraAtoms& atoms, IVelmoraAtom& atom);
bool ContainsBond(IVelmoraBonds& bonds, IVelmoraBond& bond);
// Binary data (Base64-encoded before posting) unless the data type contains "xml" in lower case.
bool IsBinary(std::string dataType);
