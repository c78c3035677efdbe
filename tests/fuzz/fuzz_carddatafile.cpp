// Card data files as operators keep them, edit them and break them: the check before an
// encode run, the record reader, and records written back.
#include "FuzzInput.h"

#include "iso/CardDataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray text = FuzzInput(data, size).rest();
    const RecordFileCheckResult check = CheckRecordText(text);
    fuzzCheck(check.text == text, "the check keeps the text as read");
    fuzzCheck((check.outcome == RecordFileCheckResult::Outcome::Accepted) ==
                  check.problem.isEmpty(),
              "a refusal says why, an acceptance says nothing");

    RecordReader reader(text);
    qsizetype records = 0;
    QByteArray written;
    while (const std::optional<IsoFrames::Tracks> tracks = reader.next()) {
        ++records;
        if (const std::optional<QByteArray> record = CardRecord(*tracks)) {
            fuzzCheck(RecordReader(*record).next() == tracks, "a stored card reads back whole");
            fuzzCheck(AppendCardRecord(written, *tracks), "a storable card is appended");
        }
    }
    if (check.outcome == RecordFileCheckResult::Outcome::Accepted)
        fuzzCheck(records == check.records, "the reader finds every record the check counted");
    return 0;
}
