// SPDX-License-Identifier: GPL-3.0-or-later
// Options › Library: a dock of the main window listing the control maps of a folder the user
// chose (subfolders included) or of the device's history, with a search as the user types, a
// small picture of the panel with the selected map's labels, and double-click (or Enter) to
// open a map. The index (library/library.h) is refreshed off the GUI thread while a bar shows
// the progress, and again whenever the folder changes (QFileSystemWatcher).
#pragma once

#include <QAbstractTableModel>
#include <QDockWidget>
#include <QFileSystemWatcher>
#include <QSortFilterProxyModel>
#include <QTimer>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/editorparts.h"
#include "library/library.h"

class QLabel;
class QLineEdit;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QTabBar;
class QTableView;

namespace kel {

// The maps of a search, one row each: title, file name, date, matching controls.
class CLibraryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TitleColumn, FileColumn, DateColumn, ControlsColumn, ColumnCount };
    static constexpr int kSortRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;
    void SetEntries(std::vector<LibraryEntry> entries);
    const LibraryEntry& Entry(int row) const { return entries_.at(static_cast<std::size_t>(row)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<LibraryEntry> entries_;
};

class CLibraryWindow : public QDockWidget {
    Q_OBJECT
public:
    // A dock of `home`, hidden until shown. `indexPath` is the index file (the user's cache
    // folder's unless a test gives another).
    CLibraryWindow(const EditorParts& parts, QMainWindow* home,
                   std::string indexPath = DefaultLibraryIndexPath());
    ~CLibraryWindow() override;

    // The two sections.
    enum class Section { Library, History };
    void ShowSection(Section section);
    Section CurrentSection() const;

    // Shows the library where the user left it, else beside the panel, and refreshes it.
    void ShowInPlace();
    // Remembers where the library is (with the main window's state), once it was shown.
    void KeepPlace();

    // The folder of the Library section; refreshes the list.
    void SetFolder(const QString& folder);
    QString Folder() const { return folder_; }
    // The folder the list shows now (the library's or the history's).
    QString ShownFolder() const;

    // Opens the map of the list's row `row` (after the save question); a history entry becomes
    // an untitled map.
    void OpenRow(int row);

    QLineEdit* SearchField() const { return search_; }
    QTableView* View() const { return view_; }
    CLibraryModel& Model() { return model_; }
    QLabel* Preview() const { return preview_; }
    QProgressBar* Progress() const { return progress_; }
    // True while the index is being refreshed.
    bool Refreshing() const { return running_; }

    // The map file of the list's current row; empty when no row is current.
    QString CurrentPath() const;
    QPushButton* TakeButton() const { return takeButton_; }

signals:
    // A refresh ended and the list shows its result.
    void Refreshed();
    // The user asks to compare the current map with the map file `path` and take controls
    // from it (Take Controls…).
    void TakeRequested(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    CLibraryIndex& Index();
    void ShowFolderText();
    void ChooseFolder();
    void StartRefresh();
    void OnProgress(std::size_t done, std::size_t total);
    void OnRefreshed(const RefreshResult& result);
    void RunSearch();
    void ShowPreview();
    void WatchFolders();

    EditorParts parts_;
    QMainWindow* home_;
    std::unique_ptr<CLibraryIndex> index_; // the GUI thread's connection: searches
    std::string indexPath_;
    QString folder_;
    CLibraryModel model_;
    QSortFilterProxyModel sorted_;
    QPushButton* chooseButton_ = nullptr;
    QPushButton* takeButton_ = nullptr;
    QLabel* folderText_ = nullptr;
    QTabBar* sections_ = nullptr;
    QLineEdit* search_ = nullptr;
    QTableView* view_ = nullptr;
    QLabel* preview_ = nullptr;
    QLabel* stateText_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QFileSystemWatcher watcher_;
    QTimer changed_; // gathers the watcher's signals into one refresh
    bool placed_ = false;
    bool running_ = false;
    QString runningFolder_; // the folder being refreshed
    bool pending_ = false;
    std::jthread worker_; // last: stopped and joined before the rest goes
};

} // namespace kel
