#include "corpus_manifest.h"

#include <fstream>
#include <sstream>

// The loader's rules from the manifest's columns: "BM", a 40-byte information header,
// and a header block that holds the information header and the colour table.
std::vector<CorpusFile> ReadManifest(const std::string& root) {
    std::ifstream in(root + "/MANIFEST.tsv");
    std::vector<CorpusFile> files;
    std::string line;
    std::getline(in, line); // column names
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream ss(line);
        for (std::string cell; std::getline(ss, cell, '\t');)
            f.push_back(cell);
        if (f.size() < 12)
            continue;
        bool accept = f[11] == "yes";
        if (accept) {
            long long offBits = std::stoll(f[3]);
            long long bits = std::stoll(f[7]);
            long long clrUsed = std::stoll(f[10]);
            long long entries = clrUsed != 0 ? clrUsed
                                : bits == 1  ? 2
                                : bits == 4  ? 16
                                : bits == 8  ? 256
                                             : 0;
            accept = offBits >= 54 && offBits - 14 >= 40 + 4 * entries;
        }
        files.push_back({root + "/" + f[0], accept});
    }
    return files;
}
