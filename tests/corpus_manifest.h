// The conformance corpus's manifest, read into the outcome the loader's rules give
// each file.
#pragma once

#include <string>
#include <vector>

struct CorpusFile {
    std::string path;
    bool accept;
};

// The files of root/MANIFEST.tsv; empty when there is no manifest.
std::vector<CorpusFile> ReadManifest(const std::string& root);
