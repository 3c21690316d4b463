// The overview window's menus and in-cell selectors.
#include "core/Dialogs.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "overview/OverviewTexts.h"
#include "overview/ui/OverviewModel.h"
#include "overview/ui/OverviewWindow.h"
#include "show/playback/ShowLayer.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QTableView>

namespace kalvor {

namespace t = overviewtexts;

void OverviewWindow::buildMenus() {
    auto add = [this](QMenu* menu, const UiText& text, auto&& f) {
        QAction* a = menu->addAction(txt(text));
        connect(a, &QAction::triggered, this, f);
        captions_.emplace_back(a, text);
        return a;
    };
    auto addMenu = [this](auto* parent, const UiText& text) {
        QMenu* menu = parent->addMenu(txt(text));
        captions_.emplace_back(menu->menuAction(), text);
        return menu;
    };
    auto hook = [](const std::function<void()>& f) {
        if (f)
            f();
    };
    QMenu* file = addMenu(menuBar(), t::MenuFile);
    add(file, t::LoadPlaylist, [this, hook] { hook(openPlaylist); });
    add(file, t::SavePlaylist, [this, hook] { hook(savePlaylist); });
    add(file, t::SavePlaylistAs, [this, hook] { hook(savePlaylistAs); });
    file->addSeparator();
    add(file, t::CloseWindow, [this] { close(); });

    QMenu* preset = addMenu(menuBar(), t::MenuPreset);
    add(preset, t::PresetAdd, [this] { show_.presets().NewPreset(); });
    add(preset, t::PresetSave, [this] { show_.presets().SaveCurrentPreset(); });
    add(preset, t::PresetRemove, [this] { show_.presets().DeletePreset(true); });
    add(preset, t::PresetRename, [this] { show_.presets().RenamePreset(); });
    add(preset, t::PresetRecall, [this] { show_.recall().RecallPreset(); });
    add(preset, t::PresetNext, [this] { show_.recall().NextPreset(); });
    add(preset, t::PresetPrevious, [this] { show_.recall().PreviousPreset(); });

    QMenu* channel = addMenu(menuBar(), t::MenuChannel);
    SoundListEditor& lists = show_.soundLists();
    add(channel, t::ChannelLoad,
        [this, &lists] { lists.SoundLoadDialog(lastChannel_, AddMode::Append); });
    add(channel, t::ChannelCopy, [this, &lists] { lists.Copy(lastChannel_); });
    add(channel, t::ChannelCut, [this, &lists] { lists.Cut(lastChannel_); });
    add(channel, t::ChannelPaste, [this, &lists] { lists.InsertClipboard(lastChannel_, true); });
    add(channel, t::ChannelRemove, [this, &lists] { lists.Remove(lastChannel_); });
    add(channel, t::ChannelRemoveAll, [this, &lists] { lists.RemoveSoundsFromList(lastChannel_); });
    add(channel, t::ChannelRemoveOffset, [this] {
        if (removeStartOffset)
            removeStartOffset(lastChannel_);
    });

    QMenu* view = addMenu(menuBar(), t::MenuView);
    // The options dialog may have switched the progress bars since the menu was last open.
    connect(view, &QMenu::aboutToShow, this,
            [this] { showProgress_->setChecked(model_->showProgress()); });
    QMenu* columns = addMenu(view, t::ViewColumns);
    for (int c = 0; c < kOverviewColumns; ++c) {
        QAction* a = columns->addAction(overviewCaption(static_cast<OverviewColumn>(c)));
        a->setCheckable(true);
        a->setChecked(true);
        connect(a, &QAction::toggled, this,
                [this, c](bool on) { grid_->horizontalHeader()->setSectionHidden(c + 1, !on); });
        columnActions_ << a;
    }
    showProgress_ = add(view, t::ShowProgress, [this](bool on) {
        model_->setShowProgress(on);
        settings_.setOn(u"ShowProgress", on);
    });
    showProgress_->setCheckable(true);
    autoSize_ = add(view, t::AutoSize, [this](bool on) { setAutoSize(on); });
    autoSize_->setCheckable(true);
    add(view, t::ChangeFont, [this] { changeFont(); });
    onTop_ = add(view, t::OnTop, [this](bool on) {
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
        show();
    });
    onTop_->setCheckable(true);
    view->addSeparator();
    add(view, t::LoadLayout, [this] { loadLayoutDialog(); });
    add(view, t::SaveLayout, [this] { saveLayoutDialog(); });
    add(view, t::ResetLayout, [this] { ResetOverviewColumns(); });

    QMenu* options = addMenu(menuBar(), t::MenuOptions);
    add(options, t::OptionsOpen, [this] {
        if (actions_.hooks.options)
            actions_.hooks.options(QString());
    });
}

void OverviewWindow::applyCaptions() {
    setWindowTitle(txt(t::Title));
    for (const auto& [action, text] : captions_)
        action->setText(txt(text));
}

void OverviewWindow::changeFont() {
    FontChoice initial{gridState_.fontName, gridState_.fontSize, gridState_.bold,
                       gridState_.italic};
    const auto chosen = dialogs().font(initial);
    if (!chosen)
        return;
    GridArrangement g = arrangement();
    g.fontName = chosen->name;
    g.fontSize = static_cast<float>(chosen->size);
    g.bold = chosen->bold;
    g.italic = chosen->italic;
    setArrangement(g);
}

void OverviewWindow::buildSelectors() {
    QWidget* port = grid_->viewport();
    list_ = new QComboBox(port);
    list_->hide();
    connect(list_, &QComboBox::activated, this, &OverviewWindow::selectorChosen);

    sliderPanel_ = new QFrame(port);
    sliderPanel_->setFrameShape(QFrame::Panel);
    sliderPanel_->setAutoFillBackground(true);
    slider_ = new QSlider(Qt::Horizontal, sliderPanel_);
    auto* layout = new QHBoxLayout(sliderPanel_);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(slider_);
    sliderPanel_->hide();
    connect(slider_, &QSlider::valueChanged, this, [this](int value) {
        ChannelOperations& ops = show_.channelOps();
        const int ch = selectorChannel_;
        if (selector_ == CellRequest::VolumeSlider)
            ops.SetVolume(ch, value);
        else if (selector_ == CellRequest::PanSlider)
            ops.SetPan(ch, value);
        else if (selector_ == CellRequest::VariSpeedSlider)
            ops.SetVariSpeed(ch, value);
    });
    connect(slider_, &QSlider::sliderReleased, this, [this] { HideAllSelectors(); });

    info_ = new QLineEdit(port);
    info_->setMaxLength(50);
    info_->hide();
    connect(info_, &QLineEdit::returnPressed, this, [this] {
        const int ch = selectorChannel_;
        show_.store().setChannelInfo(ch, info_->text(), show_.store().controls(ch).infoColour);
        HideAllSelectors();
    });
}

void OverviewWindow::HideAllSelectors() {
    for (QWidget* w : {static_cast<QWidget*>(list_), static_cast<QWidget*>(sliderPanel_),
                       static_cast<QWidget*>(info_)}) {
        if (w)
            w->hide();
    }
    selector_ = CellRequest::None;
}

void OverviewWindow::openSelector(CellRequest request, const QModelIndex& index) {
    const int ch = index.row();
    const QRect cell = grid_->visualRect(index);
    const ShowStore& store = show_.store();
    selector_ = request;
    selectorChannel_ = ch;
    const QFont font = model_->gridFont();
    switch (request) {
    case CellRequest::SoundSelector:
    case CellRequest::OutputSelector:
    case CellRequest::PlayGroupSelector:
    case CellRequest::StopGroupSelector: {
        const QSignalBlocker block(list_);
        list_->clear();
        list_->setFont(font);
        int current = 0;
        if (request == CellRequest::SoundSelector) {
            for (const SoundEntry& e : store.soundList(ch))
                list_->addItem(e.displayName);
            current = store.controls(ch).selectedSound;
        } else if (request == CellRequest::OutputSelector) {
            if (engine::KaeEngine* e = engine::currentEngine()) {
                QAbstractItemModel& devices = e->devices();
                for (int r = 0; r < devices.rowCount(); ++r)
                    list_->addItem(devices.index(r, 0).data().toString());
            }
            current = list_->findText(store.channel(ch).outputName);
        } else {
            list_->addItem(QStringLiteral("---"));
            for (int g = 1; g <= 8; ++g)
                list_->addItem(QString::number(g));
            const auto& k = store.controls(ch);
            current =
                groupNumber(request == CellRequest::PlayGroupSelector ? k.playGroup : k.stopGroup);
        }
        list_->setCurrentIndex(current);
        list_->setGeometry(cell.left(), cell.top(), std::max(cell.width(), 120),
                           list_->sizeHint().height());
        list_->show();
        list_->showPopup();
        break;
    }
    case CellRequest::VolumeSlider:
    case CellRequest::PanSlider:
    case CellRequest::VariSpeedSlider: {
        const QSignalBlocker block(slider_);
        const Channel& c = store.channel(ch);
        if (request == CellRequest::VolumeSlider) {
            slider_->setRange(0, 100);
            slider_->setValue(c.volume);
        } else if (request == CellRequest::PanSlider) {
            slider_->setRange(-100, 100);
            slider_->setValue(c.pan);
        } else {
            slider_->setRange(kVariSpeedMin, kVariSpeedMax);
            slider_->setValue(c.variSpeed);
        }
        sliderPanel_->setGeometry(cell.left(), cell.top(), std::max(cell.width(), 200),
                                  cell.height() + 8);
        sliderPanel_->show();
        sliderPanel_->raise();
        break;
    }
    case CellRequest::InfoEditor:
        info_->setFont(font);
        info_->setText(store.controls(ch).infoText);
        info_->setGeometry(cell.left(), cell.top(), std::max(cell.width(), 200), cell.height());
        info_->show();
        info_->selectAll();
        info_->setFocus();
        break;
    default:
        break;
    }
}

void OverviewWindow::selectorChosen(int value) {
    const int ch = selectorChannel_;
    ChannelOperations& ops = show_.channelOps();
    switch (selector_) {
    case CellRequest::SoundSelector:
        ops.SelectSound(ch, value);
        break;
    case CellRequest::OutputSelector:
        ops.SetOutput(ch, list_->itemText(value));
        break;
    case CellRequest::PlayGroupSelector:
    case CellRequest::StopGroupSelector:
        ops.SetGroup(ch, selector_ == CellRequest::PlayGroupSelector, value);
        break;
    default:
        break;
    }
    HideAllSelectors();
}

} // namespace kalvor
