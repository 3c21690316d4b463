#include "control/ui/CueWindow.h"

#include "core/ShowStore.h"
#include "core/UiLanguage.h"
#include "show/playback/ShowLayer.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QToolButton>

namespace kalvor {

namespace {

constexpr UiText kTitle{"MTC Cues: Channel ", "MTC Cues: Kanal "};
constexpr UiText kStart{"Start cue", "Start Cue"};
constexpr UiText kStop{"Stop cue", "Stop Cue"};
constexpr UiText kCapture{"Capture", "Capture"};
constexpr UiText kReset{"Reset", "Reset"};
constexpr UiText kCopy{"Copy", "Kopieren"};
constexpr UiText kPaste{"Paste", "Einfügen"};
constexpr UiText kChannel{"Channel:", "Kanal:"};

constexpr midi::CueField kUnits[] = {midi::CueField::Hours, midi::CueField::Minutes,
                                     midi::CueField::Seconds, midi::CueField::Frames};

} // namespace

CueWindow::CueWindow(ShowLayer& show, midi::MtcCues& cues, QWidget* parent)
    : QWidget(parent, Qt::Tool), show_(show), cues_(cues) {
    setObjectName(QStringLiteral("frmMTC"));
    auto* grid = new QGridLayout(this);
    auto* channelLabel = new QLabel(txt(kChannel), this);
    selector_ = new QSpinBox(this);
    selector_->setObjectName(QStringLiteral("updChannel"));
    selector_->setRange(1, kChannelCount);
    grid->addWidget(channelLabel, 0, 0);
    grid->addWidget(selector_, 0, 1);
    connect(selector_, &QSpinBox::valueChanged, this, [this](int n) {
        ch_ = n - 1;
        refresh();
    });

    for (int c = 0; c < 2; ++c) {
        const Cue which = c == 0 ? Cue::Start : Cue::Stop;
        const int row = 1 + c * 2;
        rowLabels_[c] = new QLabel(this);
        grid->addWidget(rowLabels_[c], row, 0);
        for (int u = 0; u < 4; ++u) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(QStringLiteral("txtCue%1%2").arg(c).arg(u));
            edit->setMaxLength(2);
            edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 12);
            edit->setAlignment(Qt::AlignCenter);
            // Digits only; Backspace and Enter are keys, not text.
            edit->setValidator(
                new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d*")), edit));
            edit->installEventFilter(this);
            fields_[c][u] = edit;
            grid->addWidget(edit, row, 1 + u * 2);
            auto* steps = new QVBoxLayout;
            steps->setSpacing(0);
            for (int dir : {1, -1}) {
                auto* b = new QToolButton(this);
                b->setArrowType(dir > 0 ? Qt::UpArrow : Qt::DownArrow);
                b->setFixedSize(16, 11);
                b->setFocusPolicy(Qt::NoFocus);
                connect(b, &QToolButton::clicked, this, [this, which, u, dir] {
                    const int fps = cues_.fps();
                    const int unit[] = {fps * 3600, fps * 60, fps, 1};
                    cues_.stepCue(ch_, which, dir * unit[u]);
                });
                steps->addWidget(b);
            }
            grid->addLayout(steps, row, 2 + u * 2);
        }
        const auto button = [&](const UiText& caption, int col, auto action) {
            auto* b = new QPushButton(txt(caption), this);
            connect(b, &QPushButton::clicked, this, action);
            grid->addWidget(b, row, col);
        };
        button(kCapture, 9, [this, which] { cues_.captureCue(ch_, which); });
        button(kReset, 10, [this, which] { cues_.resetCue(ch_, which); });
    }
    auto* copy = new QPushButton(txt(kCopy), this);
    auto* paste = new QPushButton(txt(kPaste), this);
    grid->addWidget(copy, 5, 9);
    grid->addWidget(paste, 5, 10);
    connect(copy, &QPushButton::clicked, this, [this] { cues_.copyCues(ch_); });
    connect(paste, &QPushButton::clicked, this, [this] { cues_.pasteCues(ch_); });
    connect(&cues_, &midi::MtcCues::cueChanged, this, [this](int ch) {
        if (ch == ch_)
            refresh();
    });
    // The fields show a frame count at the rate of the time code; shown at the old rate
    // they would name a time the cue no longer fires at.
    connect(&cues_, &midi::MtcCues::rateChanged, this, [this] { refresh(); });
    connect(&UiLanguage::instance(), &UiLanguage::changed, this, [this] { applyCaptions(); });
    applyCaptions();
    refresh();
}

QLineEdit* CueWindow::field(int cue, int unit) const {
    return fields_.at(static_cast<std::size_t>(cue)).at(static_cast<std::size_t>(unit));
}

void CueWindow::showCueWindow(int ch) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    ch_ = ch;
    selector_->setValue(ch + 1);
    refresh();
    show();
    raise();
    activateWindow();
}

void CueWindow::applyCaptions() {
    rowLabels_[0]->setText(txt(kStart));
    rowLabels_[1]->setText(txt(kStop));
    refresh();
}

void CueWindow::refresh() {
    if (!selector_)
        return;
    filling_ = true;
    const QString info = show_.store().controls(ch_).infoText;
    setWindowTitle(txt(kTitle) + QString::number(ch_ + 1) + QStringLiteral(" (") + info +
                   QStringLiteral(") "));
    for (int c = 0; c < 2; ++c) {
        const midi::CueFields f =
            midi::cueFields(cues_.cue(ch_, c == 0 ? Cue::Start : Cue::Stop), cues_.fps());
        const int values[] = {f.hours, f.minutes, f.seconds, f.frames};
        for (int u = 0; u < 4; ++u)
            fields_[c][u]->setText(QStringLiteral("%1").arg(values[u], 2, 10, QLatin1Char('0')));
    }
    filling_ = false;
}

bool CueWindow::commitField(int c, int u) {
    QLineEdit* edit = field(c, u);
    if (edit->text().isEmpty())
        edit->setText(QStringLiteral("0"));
    const int value = edit->text().toInt();
    if (!midi::cueFieldValid(kUnits[u], value, cues_.fps()))
        return false;
    const Cue which = c == 0 ? Cue::Start : Cue::Stop;
    midi::CueFields f = midi::cueFields(cues_.cue(ch_, which), cues_.fps());
    int* parts[] = {&f.hours, &f.minutes, &f.seconds, &f.frames};
    if (*parts[u] != value) {
        *parts[u] = value;
        cues_.setCue(ch_, which, static_cast<std::int32_t>(midi::cueFrames(f, cues_.fps())));
    }
    return true;
}

bool CueWindow::eventFilter(QObject* watched, QEvent* event) {
    for (int c = 0; c < 2 && !filling_; ++c) {
        for (int u = 0; u < 4; ++u) {
            if (watched != fields_[c][u])
                continue;
            if (event->type() == QEvent::KeyPress) {
                const int key = static_cast<QKeyEvent*>(event)->key();
                if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                    if (commitField(c, u))
                        focusNextChild();
                    return true;
                }
            } else if (event->type() == QEvent::FocusOut) {
                if (!commitField(c, u)) {
                    // Refused: the field keeps the focus until it holds a valid value.
                    QMetaObject::invokeMethod(fields_[c][u], qOverload<>(&QWidget::setFocus),
                                              Qt::QueuedConnection);
                }
            }
            return QWidget::eventFilter(watched, event);
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kalvor
