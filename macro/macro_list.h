// MacroList: the macro library. Compiled macros kept by name (at most one
// entry per name, exact comparison) in the order they were added, called
// from macros by "@~" (MOD), edited from the macro window and kept in
// ".MLB" files: an int32 end position, an int32 count, one 8-byte name key
// per macro and the length-prefixed CP932 sources.
//
// A macro of a library file that does not compile when the file is read
// (one that needs an open data set, or calls a later entry) is kept as its
// source and compiled when it is first called or listed.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "macro/macro_compile.h"
#include "macro/macro_library_calls.h"
#include "macro/macro_object.h"
#include "macro/macro_run.h"

class AppState;

class MacroList : public MacroLibraryLink, public MacroLibraryCalls {
public:
    // Largest library file read.
    static constexpr std::int64_t kMaxLibraryBytes = 64LL << 20;

    explicit MacroList(AppState& state);
    ~MacroList() override;
    MacroList(const MacroList&) = delete;
    MacroList& operator=(const MacroList&) = delete;

    int Count() const { return static_cast<int>(entries_.size()); }
    // Index of the entry with that name; -1 when none.
    int Find(const std::string& name) const;
    // Compiles the text as a program and adds it under the macro's name,
    // replacing an entry of that name. Returns its index. A compile error
    // (Exception) leaves the library unchanged.
    int AddOrReplace(const std::string& source);
    // Removes the entry of that name; nothing when there is none.
    void Remove(const std::string& name);
    // Runs entry index with the argument texts and returns the value it
    // leaves. Up to the macro's parameter count, each argument is an
    // expression for a number parameter and a text for a text parameter;
    // missing ones are asked for when the macro starts. An index outside the
    // library is the range error; an error of the run reaches the caller.
    double Call(int index, const std::vector<std::string>& arguments);
    // The name of entry index; empty outside the library.
    std::string EntryName(int index) const;
    // The source of entry index; empty outside the library.
    std::string EntrySource(int index) const;
    // False for an entry kept as source until it compiles.
    bool IsCompiled(int index) const;
    // The compiled entry (compiling a source-only entry now; its compile
    // error is raised). ERangeError outside the library.
    const MacroObject& Compiled(int index);
    // Destroys all entries and forgets the file name.
    void Clear();
    // The library file last loaded; empty when none.
    const std::string& FileName() const { return fileName_; }

    // The ".MLB" image at the stream's position (positions in it count from
    // the start of the stream).
    void WriteLibrary(std::ostream& out) const;
    // Reads a ".MLB" image from the stream's position to its end. Header,
    // count and every record are checked against the size first; a damaged
    // image raises EReadError and leaves the library as it was. Otherwise
    // the library is replaced by the macros read (a later macro of a name
    // replaces an earlier one).
    void ReadLibrary(std::istream& in);
    // Writes the library to fileName (empty: the library's file, else the
    // data folder's "NONAME.MLB") through a file beside it; the old file is
    // kept as ".BAK". A failed save raises the stream error and leaves the
    // old file.
    void SaveLibrary(const std::string& fileName);
    // The name SaveLibrary writes to.
    std::string SaveTarget(const std::string& fileName) const;
    // Reads the file; on success it becomes the library's file.
    void LoadLibrary(const std::string& fileName);

    // The interpreter of the outermost library call.
    MacroRun& Run() { return run_; }

    // MacroLibraryLink
    int FindMacro(const std::string& name) const override { return Find(name); }
    int ParameterCount(int index) const override;
    // MacroLibraryCalls
    int ResolveLibraryMacro(int index, const std::string* name) const override;
    double CallLibraryMacro(int index, const std::vector<std::string>& arguments) override {
        return Call(index, arguments);
    }

private:
    struct Entry {
        std::shared_ptr<const MacroObject> macro;  // held while it runs
        bool compiled = false;
        std::string name;
        int parameterCount = 0;
    };

    MacroObject CompileSource(const std::string& source);
    // Adds or replaces by name; returns the index.
    int Put(Entry entry);
    // A macro read from a file: compiled when it can be, else kept as source.
    void AddLoaded(const std::string& source);

    AppState& state_;
    MacroRun run_;
    std::vector<Entry> entries_;
    std::string fileName_;
};
