#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace vanteo::test {

// The outcomes of the fault tests, collected while they run and written as a Markdown document
// when the test program ends (FaultsMain.cpp: --faults-table=FILE or VANTEO_FAULTS_TABLE=FILE).
// Rows are sorted by section and then by their order key, so the document does not depend on
// the order in which the tests ran.
class FaultTable {
public:
    struct Row {
        int section = 0;  // 0: tracker faults, 1: file faults
        int order = 0;
        std::vector<std::string> cells;
    };

    static FaultTable& Instance();

    void Add(Row row);
    // The whole document. Empty sections are left out.
    std::string Markdown() const;
    bool WriteTo(const std::string& path) const;

    // Makes `text` safe inside a table cell: '|' escaped, line ends as blanks, trimmed, and cut
    // to `maxLength` characters with an ellipsis.
    static std::string Cell(const std::string& text, std::size_t maxLength = 90);

private:
    mutable std::mutex mutex_;
    std::vector<Row> rows_;
};

}  // namespace vanteo::test
