// CFileList: the names of the entries of one folder, in the order the file
// system reports them (no sorting, no filtering by extension).
#pragma once

#include <string>

#include "gfx/array.h"
#include "gfx/str.h"

using FileNameArray = CArray<CStr, ObjectElements<CStr>>;

class CFileList {
public:
    CFileList() = default;
    CFileList(const CFileList&) = delete;
    CFileList& operator=(const CFileList&) = delete;
    virtual ~CFileList() = default;

    // Appends the name of every entry of `folder` that matches the wildcard
    // `pattern`, files and folders alike.
    void ListMatching(const char* folder, const char* pattern, int clear_first);
    // Appends the names of the entries of `folder` that are folders. Names
    // are checked against the current directory, so pass ".\".
    void ListFolders(const char* folder, int clear_first);

    std::uint32_t GetCount() { return names.GetCount(); }
    CStr* GetAt(std::uint32_t i) { return names.GetAt(i); }

    FileNameArray names;

private:
    void List(const char* folder, const char* pattern, int clear_first, bool folders_only);
};

// The current directory in full, however deep it lies; empty when it
// cannot be told.
std::string CurrentDirectory();
