// The port text and the line settings text, as typed in setup or edited by hand in the
// settings store: the first line of the input is the port, the rest the settings.
#include "FuzzInput.h"

#include "app/SettingsStore.h"
#include "link/LineSettings.h"
#include "link/LinkSession.h"
#include "link/PortConfig.h"

#include <QStandardPaths>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    QStandardPaths::setTestModeEnabled(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray input = FuzzInput(data, size).rest();
    const qsizetype newline = input.indexOf('\n');
    const QByteArray port = newline < 0 ? input : input.left(newline);
    const QByteArray settings = newline < 0 ? QByteArray() : input.mid(newline + 1);

    const std::optional<LineSettings> line = parseLineSettings(settings);
    if (line) {
        fuzzCheck(characterTime(*line) > Duration::zero(), "a character takes time on the line");
        // The longest wait a reply may extend to stays within the clock's range.
        fuzzCheck(LongestReplyCharacters * characterTime(*line) < std::chrono::hours(24),
                  "the longest reply takes less than a day");
    }
    const std::optional<int> number = parsePortNumber(port);
    fuzzCheck(!number || (*number >= LowestPort && *number <= HighestPort),
              "a port number is in range");

    QString why;
    const std::optional<PortConfig> config = makePortConfig(port, settings, SettingsStore(), why);
    fuzzCheck(config.has_value() == (number && line), "a port is made of both parts or none");
    fuzzCheck(config.has_value() == why.isEmpty(), "a refusal says why");
    if (config)
        fuzzCheck(config->number == *number && config->settingsText == settings,
                  "the port keeps what was checked");

    const QList<QByteArray> boxes = settings.split(',');
    const QByteArray built =
        buildCommSettings(boxes.value(0), boxes.value(1), boxes.value(2).left(8));
    if (const std::optional<LineSettings> rebuilt = parseLineSettings(built))
        fuzzCheck(rebuilt->stopBits == 1, "setup always builds one stop bit");
    return 0;
}
