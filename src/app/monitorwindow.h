// SPDX-License-Identifier: GPL-3.0-or-later
// The monitor window: one line for every message heard on the MIDI input while Communication >
// Monitor is on - when it came, the port, its bytes, the message in words and the controls of
// the map that send it. The lines can be narrowed to one kind and one channel, held (Pause),
// cleared and saved as text. At most a fixed number of lines is kept, the oldest going first,
// so that a monitor left running for hours costs no more memory than one left for a minute.
// When the input goes away the window stays with its lines and says so above them.
//
// The monitor is a dock of the main window: under the panel at first, so that it covers none
// of it; the user may float it as a window of its own. Where it is (docked or floating, and
// where) is remembered with the main window's state.
#pragma once

#include <QAbstractTableModel>
#include <QDockWidget>
#include <QList>
#include <QPointer>
#include <QSortFilterProxyModel>
#include <QWidget>

#include <cstdint>
#include <deque>
#include <vector>

#include "app/editorparts.h"
#include "model/controllers.h"
#include "model/midinames.h"
#include "model/msgkind.h"
#include "model/reporter.h"

class QAction;
class QCheckBox;
class QMainWindow;
class QSettings;
class QComboBox;
class QLabel;
class QTableView;

namespace kel {

struct MonitorLine {
    double seconds = 0;                 // since the monitor was turned on
    QString port;                       // the input port it came through
    std::vector<std::uint8_t> bytes;    // the whole message
    std::vector<ControllerId> controls; // the controls of the map that send it
    bool parameterNotSelected = false;  // data for an RPN/NRPN when none was selected
};

// The kept lines as a table: Time, Port, Bytes, Message, Control.
class CMonitorLines : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TimeColumn, PortColumn, BytesColumn, MessageColumn, ControlColumn, ColumnCount };
    static constexpr int kDefaultCap = 10000;

    explicit CMonitorLines(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Appends `lines`, then drops the oldest beyond the cap.
    void Append(std::vector<MonitorLine> lines);
    void Clear();
    void SetCap(int cap);
    int Cap() const { return cap_; }

    const MonitorLine& Line(int row) const { return lines_[static_cast<std::size_t>(row)]; }
    // The text of one cell, as shown and as saved (notes named with middle C in `middleC`'s
    // octave).
    static QString CellText(const MonitorLine& line, int column, MiddleC middleC = MiddleC::C3);
    // The octave the message column names notes in; the shown lines follow at once.
    void SetMiddleC(MiddleC middleC);
    MiddleC NamesMiddleC() const { return middleC_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void DropOldest();

    std::deque<MonitorLine> lines_;
    int cap_ = kDefaultCap;
    MiddleC middleC_ = MiddleC::C3;
};

// The lines of one kind and one channel (a channel hides the messages without one).
class CMonitorFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void SetKind(MonitorKind kind);
    void SetChannel(int channel); // 0-15, or -1 for all

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    MonitorKind kind_ = MonitorKind::All;
    int channel_ = -1;
};

class CMonitorWindow : public QDockWidget {
    Q_OBJECT
public:
    // A dock of `home` (the main window), hidden until shown; a window of its own kept above
    // `home` when that is no main window.
    CMonitorWindow(const EditorParts& parts, QWidget* home);

    // Adds the lines of the messages heard (nothing while paused).
    void AddLines(std::vector<MonitorLine> lines);
    // The messages the input had to drop so far (shown under the lines).
    void SetDropped(std::uint64_t dropped);
    // The input `port` went away: said above the lines until called with an empty name.
    void SetLostInput(const QString& port);
    QLabel* LostText() const { return lostText_; }

    bool Paused() const;
    CMonitorLines& Lines() { return lines_; }
    CMonitorFilter& Filter() { return filter_; }
    QTableView* View() const { return view_; }
    QComboBox* KindList() const { return kindList_; }
    QComboBox* ChannelList() const { return channelList_; }
    QCheckBox* PauseBox() const { return pauseBox_; }

    // Shows the monitor where the user left it (docked or floating), else docked under the
    // panel.
    void ShowInPlace();
    // The shown lines as text, one a line, the columns separated by tabs.
    QString ShownText() const;
    // File › Save As of the window: the shown lines into a text file.
    void SaveAs();
    // Remembers where the monitor is (with the main window's state), once it was shown.
    void KeepPlace();

signals:
    // A line was double-clicked: its (first) control.
    void ControlActivated(ControllerId id);
    // The user closed the window.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void OnActivated(const QModelIndex& index);
    // The keys that open the main window's menus are the monitor's own only while it floats:
    // docked, the main window's menu bar has them.
    void FollowFloating();
    // Widens the Port column to show `port` whole.
    void FitPortColumn(const QString& port);

    EditorShell& shell_;
    Reporter& reporter_;
    QSettings& store_;
    QMainWindow* dockHome_ = nullptr;
    QList<QAction*> menuOpeners_;
    QString measuredPort_; // the port of the last line, whose name the Port column fits
    CMonitorLines lines_;
    CMonitorFilter filter_;
    QTableView* view_;
    QComboBox* kindList_;
    QComboBox* channelList_;
    QCheckBox* pauseBox_;
    QLabel* droppedText_;
    QLabel* lostText_;
    bool placed_ = false;
};

} // namespace kel
