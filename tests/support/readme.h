// The README's tables as the suites hold the program against them: the rows of every table whose header
// begins with a given word, each split into its cells (an escaped "\|" stays a '|' within its cell).
#pragma once
#include <fstream>
#include <string>
#include <vector>

inline std::vector<std::vector<std::string>> ReadmeTableRows(const std::string& firstHeader) {
    std::ifstream f(std::string(ZARVO_SOURCE_DIR) + "/README.md");
    std::vector<std::vector<std::string>> rows;
    std::string line;
    bool inTable = false, wanted = false;
    while (std::getline(f, line)) {
        if (line.empty() || line[0] != '|') {
            inTable = false;
            continue;
        }
        std::vector<std::string> cells;
        std::string cell;
        for (size_t i = 1; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '|') {
                cell += '|';
                ++i;
            } else if (line[i] == '|') {
                const size_t a = cell.find_first_not_of(' '), b = cell.find_last_not_of(' ');
                cells.push_back(a == std::string::npos ? "" : cell.substr(a, b - a + 1));
                cell.clear();
            } else {
                cell += line[i];
            }
        }
        if (!inTable) {
            inTable = true;
            wanted = !cells.empty() && cells[0] == firstHeader;
            continue;
        }
        if (wanted && !cells.empty() && cells[0].rfind("---", 0) != 0) rows.push_back(cells);
    }
    return rows;
}

// The words in backticks of a cell ("`QUIT`, `EXIT`" gives QUIT and EXIT).
inline std::vector<std::string> BacktickedWords(const std::string& cell) {
    std::vector<std::string> out;
    for (size_t at = cell.find('`'); at != std::string::npos; at = cell.find('`', at)) {
        const size_t end = cell.find('`', at + 1);
        if (end == std::string::npos) break;
        out.push_back(cell.substr(at + 1, end - at - 1));
        at = end + 1;
    }
    return out;
}
