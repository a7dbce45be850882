// The report of one opened bitmap file: 33 lines of code page 936 text, each with its
// place in the report tree. Composing it needs no window.
#pragma once

#include "platform/cfile.h"
#include "platform/cstring.h"

#include <cstdint>
#include <vector>

class CDib;

enum class TreePlace {
    None,  // line 1: not in the tree (the file node carries the label instead)
    Group, // a section header, a node under the file node
    Item,  // a line under the current section's node
};

struct ReportLine {
    CString text; // as appended to the report buffer
    TreePlace place;
    CString treeText; // the tree node's text
    int image;        // group nodes: image and selected image 1 to 4
};

struct BitmapReport {
    CString fileLabel; // base name + extension + one blank: the file node's text
    std::vector<ReportLine> lines;
};

struct PathParts {
    CString drive, directory, baseName, extension;
};

// Splits a path the Windows way, stepping over two-byte characters: the drive is the
// first two bytes when the second is ':'; the directory runs to the last '\' or '/';
// the extension from the last '.' after it.
PathParts SplitPath(const CString& fullPath);

// The report from the path, the file's status and the two headers.
BitmapReport ComposeReport(const CString& fullPath, const CFileStatus& status,
                           const BITMAPFILEHEADER& fileHeader, const BITMAPINFOHEADER& infoHeader);

// The file's status read by path; where it can't be read, size 0 and the times of now.
CFileStatus ReportFileStatus(LPCTSTR osPath);
// The same for the file that was read, whatever its name means by now.
CFileStatus ReportFileStatus(const CFile& file);

// The derived figures of the report's last group: bytes of a stored row, in the
// 32-bit arithmetic the report shows, and colour-table entries by depth.
std::int32_t ReportRowBytes(LONG width, WORD bitCount);
int ReportTableEntries(WORD bitCount);

// The report buffer's bytes of a report: its lines one after another.
CString ReportText(const BitmapReport& report);
