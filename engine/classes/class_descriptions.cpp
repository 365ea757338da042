// The reference rows of the built-in classes (class_library.cpp registers
// them).
#include "engine/program/descriptions.h"

namespace qv {

namespace {

const NameDescription kDescriptions[] = {
    {"TObject", kGroupClasses, "The ancestor of every class.",
     "Objects a script creates with Create live until Free (or until the script's thread ends).",
     "var o = TObject.Create;\nlg(o.ClassName);\no.Free;", "TObject"},
    {"TObject.Create", kGroupClasses, "Creates an object."},
    {"TObject.Free", kGroupClasses, "Releases the object."},
    {"TObject.ClassName", kGroupClasses, "The name of the object's class."},
    {"TPersistent", kGroupClasses, "An object that can copy another of its kind (Assign).",
     "Assign copies the contents of another object of a compatible class into this one, so both "
     "hold the same data afterwards. TStrings and TStringList are the persistent classes "
     "scripts use most.",
     "var a = TStringList.Create;\na.Add(\"x\");\nvar b = TStringList.Create;\nb.Assign(a);\n"
     "lg(b[0]);\na.Free;\nb.Free;",
     "x"},
    {"TPersistent.Assign", kGroupClasses, "Copies the contents of another object."},
    {"TCollectionItem", kGroupClasses, "An item of a TCollection.",
     "Items belong to a TCollection, which lists them by index through Items. A script meets "
     "them mostly as what a collection holds.",
     "var i = TCollectionItem.Create;\nlg(i.ClassName);\ni.Free;", "TCollectionItem"},
    {"TCollection", kGroupClasses, "A list of collection items.",
     "Count tells how many items the collection holds and Items[i] (the default property) gives "
     "one; Clear removes them all. A new collection is empty.",
     "var c = TCollection.Create;\nlg(c.Count);\nc.Free;", "0"},
    {"TCollection.Clear", kGroupClasses, "Removes every item."},
    {"TCollection.Count", kGroupClasses, "The number of items."},
    {"TCollection.Items", kGroupClasses, "The item at an index (default property)."},
    {"TList", kGroupClasses, "A list of objects.",
     "Add appends an object and returns its index; Count and Items[i] read the list, and Delete "
     "and Clear remove entries.",
     "var l = TList.Create;\nl.Add(TObject.Create);\nlg(l.Count);\nl.Free;", "1"},
    {"TList.Add", kGroupClasses, "Appends an object; returns its index."},
    {"TList.Clear", kGroupClasses, "Empties the list."},
    {"TList.Delete", kGroupClasses, "Removes the entry at an index."},
    {"TList.IndexOf", kGroupClasses, "The index of an object, or -1."},
    {"TList.Insert", kGroupClasses, "Inserts an object at an index."},
    {"TList.Remove", kGroupClasses, "Removes an object; returns its former index."},
    {"TList.Count", kGroupClasses, "The number of entries."},
    {"TList.Items", kGroupClasses, "The object at an index (default property)."},
    {"TStrings", kGroupClasses, "The ancestor of string lists: lines of text with optional objects.",
     "Its members work on every string list: Add and Insert lines, Strings[i] (the default "
     "property), Text for all lines at once and Values for NAME=VALUE lines. Create a "
     "TStringList to use them.",
     "var s = TStringList.Create;\ns.Add(\"color=blue\");\ns.Add(\"size=9\");\nlg(s.Values[\"size\"]);\n"
     "lg(s.IndexOfName(\"color\"));\ns.Free;",
     "9\n0"},
    {"TStrings.Add", kGroupClasses, "Appends a line; returns its index."},
    {"TStrings.AddObject", kGroupClasses, "Appends a line with an object."},
    {"TStrings.Clear", kGroupClasses, "Removes every line."},
    {"TStrings.Delete", kGroupClasses, "Removes the line at an index."},
    {"TStrings.IndexOf", kGroupClasses, "The index of a line with exactly this text, or -1."},
    {"TStrings.IndexOfName", kGroupClasses, "The index of the NAME=VALUE line with that name, or -1."},
    {"TStrings.IndexOfObject", kGroupClasses, "The index of the line holding an object, or -1."},
    {"TStrings.Insert", kGroupClasses, "Inserts a line at an index."},
    {"TStrings.InsertObject", kGroupClasses, "Inserts a line with an object at an index."},
    {"TStrings.LoadFromFile", kGroupClasses, "Replaces the lines by those of a text file."},
    {"TStrings.LoadFromStream", kGroupClasses, "Replaces the lines by those read from a stream."},
    {"TStrings.SaveToFile", kGroupClasses, "Writes the lines to a text file."},
    {"TStrings.Move", kGroupClasses, "Moves a line to another index."},
    {"TStrings.SaveToStream", kGroupClasses, "Writes the lines to a stream."},
    {"TStrings.CommaText", kGroupClasses, "The lines as one comma-separated text (quoted where needed)."},
    {"TStrings.Count", kGroupClasses, "The number of lines."},
    {"TStrings.Names", kGroupClasses, "The name part of a NAME=VALUE line."},
    {"TStrings.Objects", kGroupClasses, "The object stored with a line."},
    {"TStrings.Values", kGroupClasses, "The value of the NAME=VALUE line with that name."},
    {"TStrings.Strings", kGroupClasses, "The line at an index (default property)."},
    {"TStrings.Text", kGroupClasses, "All lines as one text, each ending with a line break."},
    {"TStringList", kGroupClasses, "A list of lines that can be sorted and searched.",
     "Add lines, read them by index, keep them sorted (Sorted) and drop duplicates (Duplicates); "
     "NAME=VALUE lines work as a small dictionary through Values.",
     "var s = TStringList.Create;\ns.Add(\"pear\");\ns.Add(\"apple\");\ns.Sort;\nlg(s[0]);\n"
     "s.Add(\"color=red\");\nlg(s.Values[\"color\"]);\nlg(s.Count);\ns.Free;",
     "apple\nred\n3"},
    {"TStringList.Find", kGroupClasses, "Searches a sorted list; true and the index when found."},
    {"TStringList.Sort", kGroupClasses, "Sorts the lines (ignoring case)."},
    {"TStringList.Duplicates", kGroupClasses,
     "What Add does with a line already in a sorted list: dupIgnore, dupAccept, dupError."},
    {"TStringList.Sorted", kGroupClasses, "Keeps the list sorted while lines are added."},
    {"TStream", kGroupClasses, "The ancestor of streams: bytes read and written at a position.",
     "Read and Write move bytes at Position and advance it; Seek moves it and Size tells the "
     "length. Create a TMemoryStream or TFileStream to use them.",
     "var m = TMemoryStream.Create;\nm.Write(\"hello\", 5);\nm.Seek(1, soFromBeginning);\n"
     "var buf = \"\";\nlg(m.Read(buf, 3));\nlg(buf);\nm.Free;",
     "3\nell"},
    {"TStream.Read", kGroupClasses, "Reads up to Count bytes into Buffer; returns how many were read."},
    {"TStream.Write", kGroupClasses, "Writes Count bytes of Buffer; returns how many were written."},
    {"TStream.Seek", kGroupClasses, "Moves the position (soFromBeginning, soFromCurrent, soFromEnd)."},
    {"TStream.CopyFrom", kGroupClasses,
     "Copies Count bytes from another stream (0: the whole source, from its start)."},
    {"TStream.Position", kGroupClasses, "The current position."},
    {"TStream.Size", kGroupClasses, "The size in bytes."},
    {"TFileStream", kGroupClasses, "A stream on a file.",
     "Create opens a file with a mode such as fmCreate (replacing it), fmOpenRead or "
     "fmOpenReadWrite; the stream's Read, Write and Seek then work on the file. Free closes it.",
     "isdir(_AppPath + \"data/\", true);\n"
     "var f = TFileStream.Create(_AppPath + \"data/stream.bin\", fmCreate);\nf.Write(\"hello\", 5);\n"
     "f.Free;\nlg(getfilesize(_AppPath + \"data/stream.bin\"));",
     "5"},
    {"TFileStream.Create", kGroupClasses,
     "Opens or creates a file (fmCreate, fmOpenRead, fmOpenWrite, fmOpenReadWrite)."},
    {"TMemoryStream", kGroupClasses, "A stream in memory.",
     "Bytes written are kept in memory; LoadFromFile and SaveToFile move the whole content to "
     "and from a file. Clear empties it.",
     "var m = TMemoryStream.Create;\nm.Write(\"abc\", 3);\nlg(m.Size);\nm.Free;", "3"},
    {"TMemoryStream.Clear", kGroupClasses, "Empties the stream."},
    {"TMemoryStream.LoadFromStream", kGroupClasses, "Replaces the content by another stream's."},
    {"TMemoryStream.LoadFromFile", kGroupClasses, "Replaces the content by a file's."},
    {"TMemoryStream.SaveToStream", kGroupClasses, "Writes the content to another stream."},
    {"TMemoryStream.SaveToFile", kGroupClasses, "Writes the content to a file."},
    {"TComponent", kGroupClasses, "An object with an owner, a name and a tag.",
     "Create takes the owner (nil for none). Name and Tag are free for the script's own use, to "
     "label and number components.",
     "var k = TComponent.Create(nil);\nk.Name = \"first\";\nk.Tag = 7;\n"
     "lg(k.Name + \" \" + IntToStr(k.Tag));\nk.Free;",
     "first 7"},
    {"TComponent.Create", kGroupClasses, "Creates a component owned by AOwner."},
    {"TComponent.Owner", kGroupClasses, "The owner."},
    {"TComponent.Name", kGroupClasses, "The component's name."},
    {"TComponent.Tag", kGroupClasses, "An integer for the script's own use."},
    {"TfsXMLItem", kGroupClasses, "An element of an XML document: name, text, attributes and child items.",
     "Name is the element's name, Text its text and Prop[NAME] an attribute; Add appends a new "
     "child and Items[i] (the default property) reads one. TfsXMLDocument.Root is the item at "
     "the top of a document.",
     "var x = TfsXMLItem.Create;\nx.Name = \"item\";\nx.Prop[\"id\"] = \"3\";\nx.Add.Name = \"child\";\n"
     "lg(x.Count);\nlg(x.Prop[\"id\"] + \" \" + x[0].Name);\nx.Free;",
     "1\n3 child"},
    {"TfsXMLItem.Create", kGroupClasses, "Creates a free-standing item."},
    {"TfsXMLItem.AddItem", kGroupClasses, "Adds an existing item as the last child."},
    {"TfsXMLItem.Clear", kGroupClasses, "Removes every child."},
    {"TfsXMLItem.InsertItem", kGroupClasses, "Inserts an existing item as a child at an index."},
    {"TfsXMLItem.Add", kGroupClasses, "Adds a new empty child and returns it."},
    {"TfsXMLItem.Find", kGroupClasses, "The index of the first child with a name, or -1."},
    {"TfsXMLItem.FindItem", kGroupClasses, "The first child with a name (created when absent)."},
    {"TfsXMLItem.Root", kGroupClasses, "The topmost item above this one."},
    {"TfsXMLItem.Data", kGroupClasses, "An integer for the script's own use."},
    {"TfsXMLItem.Count", kGroupClasses, "The number of children."},
    {"TfsXMLItem.Items", kGroupClasses, "The child at an index (default property)."},
    {"TfsXMLItem.Prop", kGroupClasses, "An attribute by name."},
    {"TfsXMLItem.Name", kGroupClasses, "The element's name."},
    {"TfsXMLItem.Parent", kGroupClasses, "The parent item."},
    {"TfsXMLItem.Text", kGroupClasses, "The element's text."},
    {"TfsXMLDocument", kGroupClasses,
     "An XML document with a root item, read from and written to files and streams.",
     "Root is the document's top element, a TfsXMLItem; build the tree below it with Add. "
     "SaveToStream and the other members read and write the document as XML.",
     "var d = TfsXMLDocument.Create;\nd.Root.Name = \"list\";\nd.Root.Add.Name = "
     "\"item\";\nlg(d.Root.Count);\nd.Free;",
     "1"},
    {"TfsXMLDocument.Create", kGroupClasses, "Creates an empty document."},
    {"TfsXMLDocument.SaveToStream", kGroupClasses, "Writes the document to a stream."},
    {"TfsXMLDocument.LoadFromStream", kGroupClasses, "Reads the document from a stream."},
    {"TfsXMLDocument.SaveToFile", kGroupClasses, "Writes the document to a file."},
    {"TfsXMLDocument.LoadFromFile", kGroupClasses, "Reads the document from a file."},
    {"TfsXMLDocument.Root", kGroupClasses, "The root item."},

    {"TDuplicates", kGroupConstants, "The type of TStringList.Duplicates."},
    {"dupIgnore", kGroupConstants, "TStringList.Duplicates: a duplicate is not added.", "", "lg(dupIgnore);",
     "0"},
    {"dupAccept", kGroupConstants, "TStringList.Duplicates: duplicates are added.", "", "lg(dupAccept);",
     "1"},
    {"dupError", kGroupConstants, "TStringList.Duplicates: adding a duplicate is an error.", "",
     "lg(dupError);", "2"},
    {"TPrinterOrientation", kGroupConstants, "Kept for old scripts: a page orientation type."},
    {"poPortrait", kGroupConstants, "TPrinterOrientation: portrait.", "", "lg(poPortrait);", "0"},
    {"poLandscape", kGroupConstants, "TPrinterOrientation: landscape.", "", "lg(poLandscape);", "1"},
    {"fmCreate", kGroupConstants, "TFileStream.Create mode: create the file (replacing it).", "",
     "lg(fmCreate);", "65280"},
    {"fmOpenRead", kGroupConstants, "TFileStream.Create mode: open for reading.", "", "lg(fmOpenRead);", "0"},
    {"fmOpenWrite", kGroupConstants, "TFileStream.Create mode: open for writing.", "", "lg(fmOpenWrite);",
     "1"},
    {"fmOpenReadWrite", kGroupConstants, "TFileStream.Create mode: open for reading and writing.", "",
     "lg(fmOpenReadWrite);", "2"},
    {"fmShareExclusive", kGroupConstants, "TFileStream.Create sharing flag, added to the mode.", "",
     "lg(fmShareExclusive);", "16"},
    {"fmShareDenyWrite", kGroupConstants, "TFileStream.Create sharing flag, added to the mode.", "",
     "lg(fmShareDenyWrite);", "32"},
    {"fmShareDenyNone", kGroupConstants, "TFileStream.Create sharing flag, added to the mode.", "",
     "lg(fmShareDenyNone);", "64"},
    {"soFromBeginning", kGroupConstants, "TStream.Seek: from the start.", "", "lg(soFromBeginning);", "0"},
    {"soFromCurrent", kGroupConstants, "TStream.Seek: from the current position.", "", "lg(soFromCurrent);",
     "1"},
    {"soFromEnd", kGroupConstants, "TStream.Seek: from the end.", "", "lg(soFromEnd);", "2"},
};

}  // namespace

std::span<const NameDescription> ClassLibraryDescriptions() { return kDescriptions; }

}  // namespace qv
