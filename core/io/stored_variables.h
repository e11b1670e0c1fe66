// Single variables of another binary data file (".MDF"), read and written
// in place without loading the file: its header and name directory are
// read, then only the one variable record that is asked for.
//
// Every length, count and offset read is checked against the file's size,
// so a damaged file raises EReadError. A file without the magic holds no
// variables. A variable is the first in directory order whose stored name
// equals the wanted one exactly (byte for byte in CP932); an equal name key
// alone never counts.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/data/variable.h"
#include "platform/durable_file.h"

// Reads the header and name directory of the image that starts at the
// stream's position. Returns the number of variables, and keys and
// observations filled; 0 when the magic does not match (nothing else read).
int ReadDataDirectory(std::istream& in, std::vector<VarHash>& keys, int& observations);

// The variable names in directory order; returns their number.
int ReadVariableNames(const std::string& fileName, std::vector<std::string>& names);

// True and the whole variable (name, info, type, values and group words)
// copied into target when a variable of exactly that name is stored;
// false and target unchanged otherwise.
bool ReadVariableFromFile(const std::string& fileName, const std::string& name, Var& target);

// The values start .. start+count-1 of the stored variable into
// out[0 .. count-1]; values past the stored count, or every value when no
// variable of that name is stored, are 0.0. A negative start or count, or a
// start beyond the stored count, raises ERangeError before anything is
// written to out.
void ReadStoredVariableValues(const std::string& fileName, const std::string& name, int start, int count,
                              double* out);

// Replaces the stored values start .. start+count-1 by in[0 .. count-1]
// (count cut at the stored count) and returns how many were written. The
// file is rewritten as a whole through a temporary file beside it, flushed
// and renamed into place, so it holds the old or the new values, never a
// part; every other byte stays as it was. No variable of that name: the
// file is not touched and 0 is returned. Range errors as for reading.
int WriteStoredVariableValues(const std::string& fileName, const std::string& name, int start, int count,
                              const double* in, const FsyncCall& fsync = {});
