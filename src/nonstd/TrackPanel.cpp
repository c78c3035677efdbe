#include "nonstd/TrackPanel.h"

#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

// Room for the longest track, 106 characters, as hex pairs: 27 pairs a line (and some slack
// for the wrapping), 4 lines.
constexpr int BoxColumns = 3 * 27 + 3;
constexpr int BoxLines = 4;

} // namespace

QString indexedName(const char *name, std::size_t index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

TrackPanel makeTrackPanel(std::size_t track, QPlainTextEdit *box, QWidget *window) {
    TrackPanel panel;
    panel.frame = new QFrame(window);
    panel.frame->setObjectName(indexedName("Shape1", track));
    panel.frame->setFrameShape(QFrame::StyledPanel);
    panel.caption = new QLabel(QStringLiteral("Track %1 Data").arg(track + 1), panel.frame);
    panel.caption->setObjectName(indexedName("Label1", track));
    panel.count = new QLabel(QStringLiteral("0"), panel.frame);
    panel.count->setObjectName(indexedName("LT", track));
    panel.count->setAlignment(Qt::AlignRight | Qt::AlignTop);
    panel.count->setMinimumWidth(
        panel.count->fontMetrics().horizontalAdvance(QStringLiteral("0000")));

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFontMetrics fixedMetrics(fixed);
    box->setParent(panel.frame);
    box->setObjectName(indexedName("TIT", track));
    box->setTabChangesFocus(true);
    box->setFont(fixed);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const int frame2 = 2 * box->frameWidth();
    const auto margin2 = static_cast<int>(2 * box->document()->documentMargin());
    const int scrollBar = window->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, window);
    box->setFixedSize(fixedMetrics.horizontalAdvance(QLatin1Char('0')) * BoxColumns + frame2 +
                          margin2 + scrollBar,
                      fixedMetrics.lineSpacing() * BoxLines + fixedMetrics.lineSpacing() / 2 +
                          frame2 + margin2);

    auto *data = new QHBoxLayout;
    data->setSpacing(10);
    data->addWidget(box);
    data->addWidget(panel.count, 0, Qt::AlignTop);
    auto *layout = new QVBoxLayout(panel.frame);
    layout->setContentsMargins(10, 8, 10, 10);
    layout->setSpacing(6);
    layout->addWidget(panel.caption);
    layout->addLayout(data);
    return panel;
}
