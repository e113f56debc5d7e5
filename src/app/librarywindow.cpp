// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/librarywindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

#include "app/settings.h"
#include "files/fileio.h"
#include "gui/common/placement.h"
#include "gui/common/translation.h"
#include "gui/common/uiservices.h"
#include "gui/common/uitext.h"
#include "gui/common/viewoptions.h"
#include "gui/panel/kelpanel.h"
#include "gui/panel/panelimage.h"
#include "model/parameter.h"
#include "session/history.h"
#include "session/mapfiles.h"

namespace kel {

namespace {

constexpr int kPictureWidth = 720;
constexpr int kPictureHeight = 219;
// The preview's width; the panel's proportions give its height.
constexpr int kPreviewWidth = 420;
// The watcher's signals of one change come in bursts: one refresh after they stop.
constexpr int kChangeDelayMs = 300;

QString ReasonText(const UnreadableReason& reason) {
    return UiText(ReasonPhrase(reason));
}

// Enter on the list opens the map, as a double-click does.
class EnterOpens : public QObject {
public:
    EnterOpens(QTableView* view, std::function<void()> open)
        : QObject(view), open_(std::move(open)) {}

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                open_();
                return true;
            }
        }
        return QObject::eventFilter(object, event);
    }

private:
    std::function<void()> open_;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// CLibraryModel

void CLibraryModel::SetEntries(std::vector<LibraryEntry> entries) {
    beginResetModel();
    entries_ = std::move(entries);
    endResetModel();
}

int CLibraryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int CLibraryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CLibraryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const LibraryEntry& entry = Entry(index.row());
    const QFileInfo file(CAppSettings::FromFsPath(entry.path));
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(entry.mtime / 1000000);
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case TitleColumn:
            return entry.readable ? QString::fromStdString(entry.title)
                                  : KelEditor::tr("(cannot be read)");
        case FileColumn:
            return file.fileName();
        case DateColumn:
            return QLocale().toString(time, QLocale::ShortFormat);
        case ControlsColumn:
            return QString::fromStdString(ControlListText(entry.matches));
        default:
            return {};
        }
    case kSortRole:
        switch (index.column()) {
        case TitleColumn:
            return QString::fromStdString(entry.title).toCaseFolded();
        case FileColumn:
            return file.fileName().toCaseFolded();
        case DateColumn:
            return QVariant::fromValue<qlonglong>(entry.mtime);
        default:
            return QString::fromStdString(ControlListText(entry.matches));
        }
    case Qt::ToolTipRole:
        if (!entry.readable) {
            return FillUiText(KelEditor::tr("%1 cannot be read: %2"),
                              {file.fileName(), ReasonText(entry.reason)});
        }
        return file.filePath();
    case Qt::ForegroundRole:
        if (!entry.readable) {
            return QPalette().color(QPalette::Disabled, QPalette::Text);
        }
        return {};
    default:
        return {};
    }
}

QVariant CLibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case TitleColumn:
        return KelEditor::tr("Title");
    case FileColumn:
        return KelEditor::tr("File");
    case DateColumn:
        return KelEditor::tr("Date");
    case ControlsColumn:
        return KelEditor::tr("Controls");
    default:
        return {};
    }
}

// ---------------------------------------------------------------------------------------------
// CLibraryWindow

CLibraryWindow::CLibraryWindow(const EditorParts& parts, QMainWindow* home, std::string indexPath)
    : QDockWidget(home), parts_(parts), home_(home), indexPath_(std::move(indexPath)) {
    setWindowTitle(KelEditor::tr("Library"));
    setObjectName(QStringLiteral("libraryWindow"));

    chooseButton_ = new QPushButton(KelEditor::tr("Choose &Folder..."), this);
    chooseButton_->setObjectName(QStringLiteral("chooseFolder"));
    connect(chooseButton_, &QPushButton::clicked, this, &CLibraryWindow::ChooseFolder);
    folderText_ = new QLabel(this);
    folderText_->setObjectName(QStringLiteral("folder"));
    folderText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    folderText_->setAccessibleName(KelEditor::tr("Folder of the library"));
    // A long path does not widen the dock: the label shows what fits, the tooltip all of it.
    folderText_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    sections_ = new QTabBar(this);
    sections_->setObjectName(QStringLiteral("sections"));
    sections_->addTab(KelEditor::tr("Library"));
    sections_->addTab(KelEditor::tr("Device history"));
    sections_->setAccessibleName(KelEditor::tr("Maps shown"));
    sections_->setExpanding(false);
    connect(sections_, &QTabBar::currentChanged, this, [this] {
        const bool library = CurrentSection() == Section::Library;
        chooseButton_->setEnabled(library);
        ShowFolderText();
        // The history newest first, the library by title.
        view_->sortByColumn(library ? CLibraryModel::TitleColumn : CLibraryModel::DateColumn,
                            library ? Qt::AscendingOrder : Qt::DescendingOrder);
        StartRefresh();
    });

    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("search"));
    search_->setClearButtonEnabled(true);
    search_->setPlaceholderText(KelEditor::tr("Search: words, CC 74, ch 2, S1 CC 74, Brightness"));
    search_->setAccessibleName(KelEditor::tr("Search the maps"));
    connect(search_, &QLineEdit::textChanged, this, &CLibraryWindow::RunSearch);
    // Notes are searched by the names the editor shows them with (Options > Middle C).
    connect(&parts_.view, &CViewOptions::changed, this, &CLibraryWindow::RunSearch);
    auto* searchLabel = new QLabel(KelEditor::tr("&Search:"), this);
    searchLabel->setBuddy(search_);

    sorted_.setSourceModel(&model_);
    sorted_.setSortRole(CLibraryModel::kSortRole);
    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("maps"));
    view_->setAccessibleName(KelEditor::tr("Maps"));
    view_->setModel(&sorted_);
    view_->setSortingEnabled(true);
    view_->sortByColumn(CLibraryModel::TitleColumn, Qt::AscendingOrder);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setWordWrap(false);
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 4);
    view_->horizontalHeader()->setStretchLastSection(true);
    // Widths of typical texts in the view's font and the user's date format.
    const QFontMetrics metrics = view_->fontMetrics();
    const int margin = 2 * metrics.horizontalAdvance(QLatin1Char('0'));
    view_->setColumnWidth(CLibraryModel::TitleColumn,
                          metrics.horizontalAdvance(QStringLiteral("Live set Studio 20")) + margin);
    view_->setColumnWidth(CLibraryModel::FileColumn,
                          metrics.horizontalAdvance(QStringLiteral("studio-20.mid")) + margin);
    view_->setColumnWidth(
        CLibraryModel::DateColumn,
        metrics.horizontalAdvance(QLocale().toString(QDateTime(QDate(2026, 12, 28), QTime(23, 59)),
                                                     QLocale::ShortFormat)) +
            margin);
    connect(view_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { OpenRow(sorted_.mapToSource(index).row()); });
    view_->installEventFilter(new EnterOpens(view_, [this] {
        const QModelIndex current = view_->currentIndex();
        if (current.isValid()) {
            OpenRow(sorted_.mapToSource(current).row());
        }
    }));
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &CLibraryWindow::ShowPreview);
    // The chosen map or history entry compared with the open map, its controls to take: from
    // the button under the list and from the list's context menu, beside Open.
    takeButton_ = new QPushButton(KelEditor::tr("&Take Controls..."), this);
    takeButton_->setObjectName(QStringLiteral("takeControls"));
    takeButton_->setToolTip(KelEditor::tr("Compare the open map with the chosen one and take "
                                          "controls from it"));
    takeButton_->setEnabled(false);
    const auto take = [this] {
        if (const QString path = CurrentPath(); !path.isEmpty()) {
            emit TakeRequested(path);
        }
    };
    connect(takeButton_, &QPushButton::clicked, this, take);
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { takeButton_->setEnabled(current.isValid()); });
    auto* openAction = new QAction(KelEditor::tr("Open"), view_);
    connect(openAction, &QAction::triggered, this, [this] {
        if (const QModelIndex current = view_->currentIndex(); current.isValid()) {
            OpenRow(sorted_.mapToSource(current).row());
        }
    });
    auto* takeAction = new QAction(KelEditor::tr("Take Controls..."), view_);
    connect(takeAction, &QAction::triggered, this, take);
    view_->addActions({openAction, takeAction});
    view_->setContextMenuPolicy(Qt::ActionsContextMenu);

    preview_ = new QLabel(this);
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setAccessibleName(KelEditor::tr("Panel of the selected map"));
    preview_->setFixedSize(kPreviewWidth, kPreviewWidth * kPictureHeight / kPictureWidth);
    preview_->setAlignment(Qt::AlignCenter);

    stateText_ = new QLabel(this);
    stateText_->setObjectName(QStringLiteral("state"));
    stateText_->setWordWrap(true);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setAccessibleName(KelEditor::tr("Reading the maps"));
    progress_->hide();

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(chooseButton_);
    folderRow->addWidget(folderText_, 1);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(search_, 1);
    auto* content = new QWidget(this);
    auto* column = new QVBoxLayout(content);
    column->addWidget(sections_);
    column->addLayout(folderRow);
    column->addLayout(searchRow);
    column->addWidget(view_, 1);
    column->addWidget(takeButton_, 0, Qt::AlignRight);
    column->addWidget(preview_, 0, Qt::AlignHCenter);
    column->addWidget(progress_);
    column->addWidget(stateText_);
    view_->setMinimumSize(kPreviewWidth, 8 * view_->verticalHeader()->defaultSectionSize());
    setWidget(content);

    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    setAllowedAreas(Qt::RightDockWidgetArea | Qt::LeftDockWidgetArea | Qt::BottomDockWidgetArea);
    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        QString text;
        if (button->objectName() == QLatin1String("qt_dockwidget_floatbutton")) {
            text = KelEditor::tr("Float or dock the library");
        } else if (button->objectName() == QLatin1String("qt_dockwidget_closebutton")) {
            text = KelEditor::tr("Close the library");
        } else {
            continue;
        }
        button->setToolTip(text);
        button->setAccessibleName(text);
    }

    changed_.setSingleShot(true);
    changed_.setInterval(kChangeDelayMs);
    connect(&changed_, &QTimer::timeout, this, &CLibraryWindow::StartRefresh);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { changed_.start(); });
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { changed_.start(); });

    folder_ = CAppSettings::LibraryFolder(parts_.store);
    ShowFolderText();
    home_->addDockWidget(Qt::RightDockWidgetArea, this);
    hide();
}

CLibraryWindow::~CLibraryWindow() {
    worker_.request_stop();
    if (worker_.joinable()) {
        worker_.join();
    }
}

CLibraryIndex& CLibraryWindow::Index() {
    // Opened once the library is first shown, not at the editor's start.
    if (index_ == nullptr) {
        index_ = std::make_unique<CLibraryIndex>(indexPath_);
    }
    return *index_;
}

void CLibraryWindow::ShowFolderText() {
    const QString shown = QDir::toNativeSeparators(ShownFolder());
    folderText_->setText(shown);
    folderText_->setToolTip(shown);
}

void CLibraryWindow::ShowSection(Section section) {
    sections_->setCurrentIndex(section == Section::Library ? 0 : 1);
}

CLibraryWindow::Section CLibraryWindow::CurrentSection() const {
    return sections_->currentIndex() == 1 ? Section::History : Section::Library;
}

QString CLibraryWindow::ShownFolder() const {
    // The history's folder is the one the editor and kelmap write to, $KEL_HISTORY_DIR included.
    return CurrentSection() == Section::Library ? folder_
                                                : CAppSettings::FromFsPath(HistoryFolder());
}

void CLibraryWindow::ShowInPlace() {
    if (!placed_) {
        placed_ = true;
        const QByteArray kept = CAppSettings::LibraryDockState(parts_.store);
        if (!kept.isEmpty()) {
            RestoreDockPlace(*home_, *this, kept, CAppSettings::kLibraryDockVersion);
        }
    }
    show();
    raise();
    StartRefresh();
}

void CLibraryWindow::KeepPlace() {
    if (placed_ && home_->isVisible()) {
        CAppSettings::StoreLibraryDockState(parts_.store,
                                            home_->saveState(CAppSettings::kLibraryDockVersion));
    }
}

void CLibraryWindow::hideEvent(QHideEvent* event) {
    KeepPlace();
    QDockWidget::hideEvent(event);
}

void CLibraryWindow::closeEvent(QCloseEvent* event) {
    KeepPlace();
    QDockWidget::closeEvent(event);
    CAppSettings::StoreLibraryShown(parts_.store, false);
}

void CLibraryWindow::ChooseFolder() {
    const QString chosen = QFileDialog::getExistingDirectory(
        this, KelEditor::tr("Choose the Folder of the Library"), folder_);
    if (!chosen.isEmpty()) {
        SetFolder(chosen);
    }
}

void CLibraryWindow::SetFolder(const QString& folder) {
    folder_ = folder;
    CAppSettings::StoreLibraryFolder(parts_.store, folder_);
    ShowSection(Section::Library);
    ShowFolderText();
    StartRefresh();
}

void CLibraryWindow::StartRefresh() {
    const QString shown = ShownFolder();
    if (shown.isEmpty()) {
        model_.SetEntries({});
        stateText_->setText(KelEditor::tr("Choose the folder of your control maps."));
        return;
    }
    if (running_) {
        // Another folder's refresh ends between two files; the same folder's goes on and is
        // followed by one more.
        if (shown != runningFolder_) {
            worker_.request_stop();
        }
        pending_ = true;
        return;
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    running_ = true;
    runningFolder_ = shown;
    progress_->setRange(0, 0);
    progress_->show();
    stateText_->setText(KelEditor::tr("Reading the maps..."));
    // What is indexed already is listed at once.
    RunSearch();
    const std::string folder = CAppSettings::ToFsPath(shown);
    worker_ = std::jthread([this, folder, path = indexPath_](std::stop_token stop) {
        CLibraryIndex index(path);
        std::size_t told = 0;
        const RefreshResult result = index.Refresh(
            folder,
            [this, &told](std::size_t done, std::size_t total) {
                // A few dozen steps of the bar, not one call per file.
                if (done == total || done - told >= std::max<std::size_t>(1, total / 50)) {
                    told = done;
                    QMetaObject::invokeMethod(
                        this, [this, done, total] { OnProgress(done, total); },
                        Qt::QueuedConnection);
                }
            },
            stop);
        // Also after a stop: the next refresh waits for this one's end. A window that is going
        // drops the call.
        QMetaObject::invokeMethod(
            this, [this, result] { OnRefreshed(result); }, Qt::QueuedConnection);
    });
}

void CLibraryWindow::OnProgress(std::size_t done, std::size_t total) {
    progress_->setRange(0, static_cast<int>(total));
    progress_->setValue(static_cast<int>(done));
}

void CLibraryWindow::OnRefreshed(const RefreshResult& result) {
    running_ = false;
    progress_->hide();
    if (result.cause == CauseFileNotFound && CurrentSection() == Section::History) {
        stateText_->setText(KelEditor::tr("No map was received or transmitted yet."));
    } else if (result.cause != 0) {
        stateText_->setText(
            FillUiText(KelEditor::tr("The folder %1 cannot be read: %2"),
                       {QDir::toNativeSeparators(ShownFolder()), FileCauseText(result.cause)}));
    } else if (result.indexFailed) {
        stateText_->setText(KelEditor::tr("The library's index cannot be written."));
    } else {
        stateText_->clear();
    }
    RunSearch();
    WatchFolders();
    emit Refreshed();
    if (pending_) {
        pending_ = false;
        StartRefresh();
    }
}

void CLibraryWindow::RunSearch() {
    const QString shown = ShownFolder();
    std::vector<LibraryEntry> entries;
    if (!shown.isEmpty()) {
        Index().Search(CAppSettings::ToFsPath(shown), search_->text().toStdString(),
                       parts_.view.MiddleCOctave(), entries);
    }
    // The selected map stays selected when it is still listed.
    const QModelIndex current = view_->currentIndex();
    const std::string selected =
        current.isValid() ? model_.Entry(sorted_.mapToSource(current).row()).path : std::string();
    model_.SetEntries(std::move(entries));
    for (int row = 0; row < model_.rowCount(); ++row) {
        if (!selected.empty() && model_.Entry(row).path == selected) {
            view_->setCurrentIndex(sorted_.mapFromSource(model_.index(row, 0)));
            break;
        }
    }
    ShowPreview();
}

void CLibraryWindow::ShowPreview() {
    const QModelIndex current = view_->currentIndex();
    const qreal ratio = devicePixelRatioF();
    QPixmap picture(preview_->size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(static_cast<qreal>(preview_->width()) / kPictureWidth,
                  static_cast<qreal>(preview_->height()) / kPictureHeight);
    if (CCommonBitmap* bitmap = GetPanelBitmap(); bitmap != nullptr) {
        painter.drawPixmap(QRectF(0, 0, kPictureWidth, kPictureHeight), bitmap->Pixmap(2.0),
                           QRectF());
    }
    if (current.isValid()) {
        const LibraryEntry& entry = model_.Entry(sorted_.mapToSource(current).row());
        CParameter shown;
        if (entry.readable && Index().LoadMap(entry.path, shown.Map())) {
            CKelPanel::PaintLabels(painter, shown);
        }
    }
    painter.end();
    preview_->setPixmap(picture);
}

void CLibraryWindow::WatchFolders() {
    const QStringList watched = watcher_.directories();
    if (!watched.isEmpty()) {
        watcher_.removePaths(watched);
    }
    const QString shown = ShownFolder();
    if (shown.isEmpty()) {
        return;
    }
    if (!QFileInfo(shown).isDir()) {
        // The folder may yet be made (the history's by the first receive): its parent tells.
        const QString parent = QFileInfo(shown).absolutePath();
        if (QFileInfo(parent).isDir()) {
            watcher_.addPath(parent);
        }
        return;
    }
    QStringList folders{shown};
    QDirIterator it(shown, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        folders.append(it.next());
    }
    watcher_.addPaths(folders);
}

QString CLibraryWindow::CurrentPath() const {
    const QModelIndex current = view_->currentIndex();
    if (!current.isValid()) {
        return {};
    }
    return QString::fromStdString(model_.Entry(sorted_.mapToSource(current).row()).path);
}

void CLibraryWindow::OpenRow(int row) {
    if (row < 0 || row >= model_.rowCount()) {
        return;
    }
    const LibraryEntry entry = model_.Entry(row);
    const bool history = CurrentSection() == Section::History;
    if (parts_.files.CommandOpenDropped({entry.path}, parts_.reporter) != 1) {
        return;
    }
    if (history) {
        // A history entry stays as it was: the map read is a new, untitled map.
        parts_.files.RecentFiles().RemoveFile(entry.path);
        parts_.files.SetCurrentPath({});
    }
    home_->activateWindow();
}

} // namespace kel
