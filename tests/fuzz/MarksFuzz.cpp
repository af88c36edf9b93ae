// Lists of marks a user brings in. Any bytes must be refused with a reason or read; a list that
// was read writes, in either format, as a file that reads back as the same games.
#include "FuzzTarget.h"
#include "MarksFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString error;
    const std::optional<MarksFile> read = MarksFile::fromBytes(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)), &error);
    FUZZ_CHECK(read.has_value() == error.isEmpty());
    if (!read) {
        return 0;
    }
    for (const MarksFile::Entry& entry : read->games) {
        FUZZ_CHECK(!entry.id.isEmpty());
        FUZZ_CHECK(!entry.myScore ||
                   (*entry.myScore >= 0 && *entry.myScore <= MarksFile::kMaxScore));
    }
    for (const MarksFile::Format format : {MarksFile::Format::Json, MarksFile::Format::Csv}) {
        const std::optional<MarksFile> again = MarksFile::fromBytes(read->toBytes(format), &error);
        FUZZ_CHECK(again.has_value());
        FUZZ_CHECK(again->games.size() == read->games.size());
        for (qsizetype i = 0; i < read->games.size(); ++i) {
            const MarksFile::Entry& a = read->games[i];
            const MarksFile::Entry& b = again->games[i];
            FUZZ_CHECK(a.id == b.id && a.myScore == b.myScore && a.wished == b.wished &&
                       a.played == b.played);
        }
    }
    return 0;
}
