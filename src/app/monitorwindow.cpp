// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/monitorwindow.h"

#include "gui/common/uiservices.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include "app/keleditorapp.h"
#include "app/mainframe.h"
#include "app/settings.h"
#include "files/safesave.h"
#include "gui/common/placement.h"
#include "gui/common/translation.h"
#include "gui/common/uitext.h"
#include "gui/common/viewoptions.h"
#include "model/midinames.h"
#include "model/msgmatch.h"

namespace kel {

// ---------------------------------------------------------------------------------------------
// CMonitorLines

void CMonitorLines::Append(std::vector<MonitorLine> lines) {
    if (lines.empty()) {
        return;
    }
    // More lines than the cap at once: only the newest can be kept anyway.
    const std::size_t cap = static_cast<std::size_t>(cap_);
    std::size_t first = lines.size() > cap ? lines.size() - cap : 0;
    const int row = static_cast<int>(lines_.size());
    beginInsertRows({}, row, row + static_cast<int>(lines.size() - first) - 1);
    for (; first < lines.size(); ++first) {
        lines_.push_back(std::move(lines[first]));
    }
    endInsertRows();
    DropOldest();
}

void CMonitorLines::DropOldest() {
    const std::size_t cap = static_cast<std::size_t>(cap_);
    if (lines_.size() <= cap) {
        return;
    }
    const int excess = static_cast<int>(lines_.size() - cap);
    beginRemoveRows({}, 0, excess - 1);
    lines_.erase(lines_.begin(), lines_.begin() + excess);
    endRemoveRows();
}

void CMonitorLines::Clear() {
    beginResetModel();
    lines_.clear();
    endResetModel();
}

void CMonitorLines::SetCap(int cap) {
    cap_ = std::max(1, cap);
    DropOldest();
}

void CMonitorLines::SetMiddleC(MiddleC middleC) {
    if (middleC == middleC_) {
        return;
    }
    middleC_ = middleC;
    if (!lines_.empty()) {
        emit dataChanged(index(0, MessageColumn), index(rowCount() - 1, MessageColumn));
    }
}

QString CMonitorLines::CellText(const MonitorLine& line, int column, MiddleC middleC) {
    switch (column) {
    case TimeColumn:
        return QString::number(line.seconds, 'f', 3);
    case PortColumn:
        return line.port;
    case BytesColumn: {
        // A long system exclusive message is shown by its start; its words give its length.
        constexpr std::size_t kShownBytes = 24;
        QString text;
        const std::size_t n = std::min(line.bytes.size(), kShownBytes);
        for (std::size_t i = 0; i < n; ++i) {
            if (i > 0) {
                text += QLatin1Char(' ');
            }
            text += QStringLiteral("%1").arg(line.bytes[i], 2, 16, QLatin1Char('0')).toUpper();
        }
        if (line.bytes.size() > kShownBytes) {
            text += QStringLiteral(" ...");
        }
        return text;
    }
    case MessageColumn: { // in words, in the user's language, with the name of its number
        const QString words = UiText(MidiMessagePhrase(line.bytes));
        const std::string name = MessageNumberName(line.bytes, middleC);
        return name.empty()
                   ? words
                   : words + QStringLiteral(" (") + QString::fromStdString(name) + QLatin1Char(')');
    }
    case ControlColumn: {
        if (line.controls.empty()) {
            return line.parameterNotSelected ? UiText(Phrase(TextId::MidiNoParameter))
                                             : QStringLiteral("\u2014");
        }
        QStringList names;
        for (const ControllerId id : line.controls) {
            names << QString::fromLatin1(ControllerName(id));
        }
        return names.join(QStringLiteral(", "));
    }
    default:
        return {};
    }
}

int CMonitorLines::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

int CMonitorLines::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CMonitorLines::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return CellText(Line(index.row()), index.column(), middleC_);
    }
    if (role == Qt::TextAlignmentRole && index.column() == TimeColumn) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant CMonitorLines::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case TimeColumn:
        return KelEditor::tr("Time");
    case PortColumn:
        return KelEditor::tr("Port");
    case BytesColumn:
        return KelEditor::tr("Bytes");
    case MessageColumn:
        return KelEditor::tr("Message");
    case ControlColumn:
        return KelEditor::tr("Control");
    default:
        return {};
    }
}

// ---------------------------------------------------------------------------------------------
// CMonitorFilter

void CMonitorFilter::SetKind(MonitorKind kind) {
    kind_ = kind;
    invalidateRowsFilter();
}

void CMonitorFilter::SetChannel(int channel) {
    channel_ = channel;
    invalidateRowsFilter();
}

bool CMonitorFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    const auto* lines = static_cast<const CMonitorLines*>(sourceModel());
    const MonitorLine& line = lines->Line(sourceRow);
    if (kind_ != MonitorKind::All && MonitorKindOf(line.bytes) != kind_) {
        return false;
    }
    return channel_ < 0 || MonitorChannelOf(line.bytes) == channel_;
}

// ---------------------------------------------------------------------------------------------
// CMonitorWindow

CMonitorWindow::CMonitorWindow(const EditorParts& parts, QWidget* home)
    : QDockWidget(home), shell_(parts.shell), reporter_(parts.reporter), store_(parts.store),
      dockHome_(qobject_cast<QMainWindow*>(home)), view_(new QTableView(this)),
      kindList_(new QComboBox(this)), channelList_(new QComboBox(this)),
      pauseBox_(new QCheckBox(KelEditor::tr("&Pause"), this)), droppedText_(new QLabel(this)),
      lostText_(new QLabel(this)) {
    setWindowTitle(KelEditor::tr("MIDI Monitor"));
    setObjectName(QStringLiteral("monitorWindow"));

    filter_.setSourceModel(&lines_);
    view_->setModel(&filter_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setWordWrap(false);
    view_->verticalHeader()->hide();
    // Rows of one height, given once: the view then never measures 10,000 rows.
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 4);
    QHeaderView* header = view_->horizontalHeader();
    header->setStretchLastSection(true);
    const int digit = view_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    view_->setColumnWidth(CMonitorLines::TimeColumn, 10 * digit);
    // The port column fits its title and, once lines come, the names of their ports.
    view_->setColumnWidth(CMonitorLines::PortColumn,
                          std::max(12 * digit, header->sectionSizeHint(CMonitorLines::PortColumn)));
    view_->setColumnWidth(CMonitorLines::BytesColumn, 22 * digit);
    // Wide enough for a long message in the user's language (a note on with three-digit
    // numbers), at least the 28 digits an English line needs.
    const std::vector<std::uint8_t> longMessage = {0x9F, 127, 127};
    const int messageWidth =
        view_->fontMetrics().horizontalAdvance(
            UiText(MidiMessagePhrase(longMessage)) + QStringLiteral(" (") +
            QString::fromStdString(MessageNumberName(longMessage)) + QLatin1Char(')')) +
        2 * digit;
    view_->setColumnWidth(CMonitorLines::MessageColumn, std::max(28 * digit, messageWidth));
    connect(view_, &QTableView::doubleClicked, this, &CMonitorWindow::OnActivated);
    // Notes are named with middle C where the user set it, in the lines shown already too.
    CViewOptions& options = parts.view;
    lines_.SetMiddleC(options.MiddleCOctave());
    connect(&options, &CViewOptions::changed, this,
            [this, &options] { lines_.SetMiddleC(options.MiddleCOctave()); });

    kindList_->addItem(KelEditor::tr("All kinds"), static_cast<int>(MonitorKind::All));
    kindList_->addItem(KelEditor::tr("Notes"), static_cast<int>(MonitorKind::Note));
    kindList_->addItem(KelEditor::tr("Control Change"),
                       static_cast<int>(MonitorKind::ControlChange));
    kindList_->addItem(KelEditor::tr("Program Change"),
                       static_cast<int>(MonitorKind::ProgramChange));
    kindList_->addItem(KelEditor::tr("Pitch Bend"), static_cast<int>(MonitorKind::PitchBend));
    kindList_->addItem(KelEditor::tr("Pressure"), static_cast<int>(MonitorKind::Pressure));
    kindList_->addItem(KelEditor::tr("System Exclusive"), static_cast<int>(MonitorKind::SystemEx));
    kindList_->addItem(KelEditor::tr("System and Realtime"), static_cast<int>(MonitorKind::System));
    connect(kindList_, &QComboBox::currentIndexChanged, this, [this] {
        filter_.SetKind(static_cast<MonitorKind>(kindList_->currentData().toInt()));
    });
    channelList_->addItem(KelEditor::tr("All channels"), -1);
    for (int channel = 0; channel < 16; ++channel) {
        channelList_->addItem(KelEditor::tr("Channel %1").arg(channel + 1), channel);
    }
    connect(channelList_, &QComboBox::currentIndexChanged, this,
            [this] { filter_.SetChannel(channelList_->currentData().toInt()); });

    auto* clear = new QPushButton(KelEditor::tr("C&lear"), this);
    clear->setObjectName(QStringLiteral("clear"));
    connect(clear, &QPushButton::clicked, this, [this] { lines_.Clear(); });
    auto* save = new QPushButton(KelEditor::tr("&Save As..."), this);
    save->setObjectName(QStringLiteral("saveAs"));
    connect(save, &QPushButton::clicked, this, &CMonitorWindow::SaveAs);

    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(KelEditor::tr("Show:"), this));
    bar->addWidget(kindList_);
    bar->addWidget(channelList_);
    bar->addSpacing(12);
    bar->addWidget(pauseBox_);
    bar->addStretch(1);
    bar->addWidget(clear);
    bar->addWidget(save);
    // The lost input is said in a band of its own between the bar and the lines, in the
    // colours of a tooltip so that it stands out in any theme and covers nothing.
    lostText_->setObjectName(QStringLiteral("inputLost"));
    lostText_->setWordWrap(true);
    lostText_->setFrameShape(QFrame::StyledPanel);
    lostText_->setMargin(4);
    lostText_->setBackgroundRole(QPalette::ToolTipBase);
    lostText_->setForegroundRole(QPalette::ToolTipText);
    lostText_->setAutoFillBackground(true);
    lostText_->hide();

    auto* content = new QWidget(this);
    auto* column = new QVBoxLayout(content);
    column->addLayout(bar);
    column->addWidget(lostText_);
    column->addWidget(view_, 1);
    column->addWidget(droppedText_);
    droppedText_->hide();
    // Docked, the main window keeps its size around the panel: the lines get room for eight
    // rows under it.
    view_->setMinimumHeight(view_->horizontalHeader()->sizeHint().height() +
                            8 * view_->verticalHeader()->defaultSectionSize() +
                            2 * view_->frameWidth());
    setWidget(content);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    setAllowedAreas(Qt::BottomDockWidgetArea);
    connect(this, &QDockWidget::topLevelChanged, this, &CMonitorWindow::FollowFloating);
    // The title bar's buttons say what they do in the user's language.
    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        QString text;
        if (button->objectName() == QLatin1String("qt_dockwidget_floatbutton")) {
            text = KelEditor::tr("Float or dock the monitor");
        } else if (button->objectName() == QLatin1String("qt_dockwidget_closebutton")) {
            text = KelEditor::tr("Close the monitor");
        } else {
            continue;
        }
        button->setToolTip(text);
        button->setAccessibleName(text);
    }
    if (dockHome_ != nullptr) {
        dockHome_->addDockWidget(Qt::BottomDockWidgetArea, this);
    } else {
        setFloating(true);
        resize(780, 420);
    }
    hide();
}

void CMonitorWindow::FitPortColumn(const QString& port) {
    // The port's name whole, measured in the view's font with the cell's margins; the column
    // never narrows, so that it does not jump between two ports.
    const int margin =
        2 * (view_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view_) + 1) +
        view_->showGrid();
    const int wanted = view_->fontMetrics().horizontalAdvance(port) + 2 * margin;
    if (wanted > view_->columnWidth(CMonitorLines::PortColumn)) {
        view_->setColumnWidth(CMonitorLines::PortColumn, wanted);
    }
}

bool CMonitorWindow::Paused() const {
    return pauseBox_->isChecked();
}

void CMonitorWindow::AddLines(std::vector<MonitorLine> lines) {
    if (Paused() || lines.empty()) {
        return;
    }
    // The newest line stays in sight unless the user has scrolled back to read.
    QScrollBar* bar = view_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    for (const MonitorLine& line : lines) {
        if (line.port != measuredPort_) {
            FitPortColumn(line.port);
            measuredPort_ = line.port;
        }
    }
    lines_.Append(std::move(lines));
    if (atEnd) {
        view_->scrollToBottom();
    }
}

void CMonitorWindow::SetDropped(std::uint64_t dropped) {
    if (dropped == 0) {
        droppedText_->hide();
        return;
    }
    droppedText_->setText(
        KelEditor::tr("%1 messages came faster than they could be shown and were left out.")
            .arg(dropped));
    droppedText_->show();
}

void CMonitorWindow::SetLostInput(const QString& port) {
    if (port.isEmpty()) {
        lostText_->hide();
        return;
    }
    lostText_->setText(KelEditor::tr("The MIDI input \"%1\" is no longer there. The lines stay, "
                                     "and the monitor listens again as soon as the input returns.")
                           .arg(port));
    lostText_->show();
}

QString CMonitorWindow::ShownText() const {
    QString text;
    for (int row = 0; row < filter_.rowCount(); ++row) {
        const int source = filter_.mapToSource(filter_.index(row, 0)).row();
        const MonitorLine& line = lines_.Line(source);
        QStringList cells;
        for (int column = 0; column < CMonitorLines::ColumnCount; ++column) {
            cells << CMonitorLines::CellText(line, column, lines_.NamesMiddleC());
        }
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

void CMonitorWindow::SaveAs() {
    const QString path = shell_.ChooseSaveFile(
        this, {KelEditor::tr("Text Files (*.txt)"), KelEditor::tr("All Files (*)")},
        QStringLiteral("txt"), QStringLiteral("monitor.txt"));
    if (path.isEmpty()) {
        return;
    }
    const QByteArray bytes = ShownText().toUtf8();
    const std::string target = CAppSettings::ToFsPath(path);
    const Status saved =
        SaveBytesSafely(target, std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                          static_cast<std::size_t>(bytes.size())));
    if (!saved) {
        if (const std::optional<StringId> message = MessageOf(saved.Error())) {
            reporter_.warn(*message); // the file is the one the user just chose
        } else {
            reporter_.warnFile(StringId::SaveError, saved.Error().cause, target);
        }
    }
}

void CMonitorWindow::OnActivated(const QModelIndex& index) {
    if (!index.isValid()) {
        return;
    }
    const MonitorLine& line = lines_.Line(filter_.mapToSource(index).row());
    if (!line.controls.empty()) {
        emit ControlActivated(line.controls.front());
    }
}

void CMonitorWindow::ShowInPlace() {
    if (!placed_) {
        placed_ = true;
        const QByteArray kept = CAppSettings::MonitorDockState(store_);
        if (dockHome_ != nullptr && !kept.isEmpty()) {
            RestoreDockPlace(*dockHome_, *this, kept, CAppSettings::kMonitorDockVersion);
        }
    }
    show();
    raise();
    FollowFloating();
}

void CMonitorWindow::FollowFloating() {
    if (menuOpeners_.isEmpty()) {
        // The keys the main window shares that are the monitor's own actions.
        for (QAction* action : actions()) {
            if (action->parent() == this) {
                menuOpeners_.append(action);
            }
        }
    }
    for (QAction* opener : menuOpeners_) {
        if (isFloating()) {
            addAction(opener);
        } else {
            removeAction(opener);
        }
    }
}

void CMonitorWindow::KeepPlace() {
    // Not while the main window goes: it was kept when it closed.
    if (placed_ && dockHome_ != nullptr && dockHome_->isVisible()) {
        CAppSettings::StoreMonitorDockState(
            store_, dockHome_->saveState(CAppSettings::kMonitorDockVersion));
    }
}

void CMonitorWindow::hideEvent(QHideEvent* event) {
    KeepPlace();
    QDockWidget::hideEvent(event);
}

void CMonitorWindow::closeEvent(QCloseEvent* event) {
    KeepPlace();
    QDockWidget::closeEvent(event);
    event->accept();
    emit Closed();
}

} // namespace kel
