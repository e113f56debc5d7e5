// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mididlg/mididevicedlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

#include "gui/common/ids.h"
#include "gui/common/translation.h"
#include "gui/common/uitext.h"
#include "gui/mididlg/transferdlgs.h"
#include "midi/devlist.h"

namespace kel {

namespace {

// Fills `list`; returns the only port's phrase when it was selected for lack of a choice.
std::optional<Phrase> FillList(QComboBox* list, const CMidiDevList& names, int selected,
                               bool input) {
    list->clear();
    for (int i = 0; i < names.GetCount(); ++i) {
        list->addItem(QString::fromStdString(names.GetAt(i)));
    }
    if (selected < 0 || selected >= names.GetCount()) {
        if (const PortChoice only = ChoosePort(names, {}); only.how == PortChoice::How::OnlyPort) {
            list->setCurrentIndex(names.Find(only.name));
            return OnlyPortPhrase(input, only.name);
        }
        selected = -1;
    }
    list->setCurrentIndex(selected);
    return std::nullopt;
}

} // namespace

QString CMidiDeviceDlg::SystemTitle(MidiSystem system) {
    switch (system) {
    case MidiSystem::Alsa:
        return KelEditor::tr("ALSA");
    case MidiSystem::Jack:
        return KelEditor::tr("JACK");
    case MidiSystem::Virtual:
        break;
    }
    return KelEditor::tr("Built-in virtual KEL device");
}

CMidiDeviceDlg::CMidiDeviceDlg(CMidiSystems& systems, MidiSystem system, int input, int output,
                               QWidget* parent)
    : QDialog(parent), systems_(systems), initialSystem_(system), initialInput_(input),
      initialOutput_(output), systemList_(new QComboBox(this)), inputList_(new QComboBox(this)),
      outputList_(new QComboBox(this)), noPorts_(new QLabel(this)), onlyPort_(new QLabel(this)) {
    SetKelId(this, dlg::Devices);
    setWindowTitle(KelEditor::tr("MIDI Devices"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setModal(true);

    SetKelId(systemList_, ctl::MidiSystemList);
    SetKelId(inputList_, ctl::InputPortList);
    SetKelId(outputList_, ctl::OutputPortList);
    SetKelId(noPorts_, ctl::NoPortsNote);
    SetKelId(onlyPort_, ctl::OnlyPortNote);
    onlyPort_->setTextFormat(Qt::PlainText);
    for (MidiSystem each : kMidiSystems) {
        systemList_->addItem(SystemTitle(each), static_cast<int>(each));
    }
    // Wide enough for a whole port name (31 characters).
    const int width = fontMetrics().averageCharWidth() * 34;
    for (QComboBox* list : {systemList_, inputList_, outputList_}) {
        list->setMinimumWidth(width);
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }
    noPorts_->setText(KelEditor::tr("This MIDI system lists no ports."));
    noPorts_->setTextFormat(Qt::PlainText);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft);
    form->addRow(KelEditor::tr("MIDI System"), systemList_);
    form->addRow(KelEditor::tr("Input Port"), inputList_);
    form->addRow(KelEditor::tr("Output Port"), outputList_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(KelEditor::tr("OK"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(KelEditor::tr("Cancel"), QDialogButtonBox::RejectRole);
    SetKelId(ok, 1);
    SetKelId(cancel, 2);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(noPorts_);
    layout->addWidget(onlyPort_);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    systemList_->setCurrentIndex(systemList_->findData(static_cast<int>(system)));
    Fill(system, input, output);
    connect(systemList_, &QComboBox::currentIndexChanged, this, &CMidiDeviceDlg::OnSystemChanged);
}

void CMidiDeviceDlg::Fill(MidiSystem system, int input, int output) {
    MidiBackend& backend = systems_.BackendOf(system);
    const CMidiInDev inputs(backend);
    const CMidiOutDev outputs(backend);
    QStringList notes;
    for (const std::optional<Phrase>& only : {FillList(inputList_, inputs, input, true),
                                              FillList(outputList_, outputs, output, false)}) {
        if (only) {
            notes << UiText(*only);
        }
    }
    onlyPort_->setText(notes.join(u'\n'));
    onlyPort_->setVisible(!notes.isEmpty());
    noPorts_->setVisible(inputs.IsEmpty() && outputs.IsEmpty());
}

void CMidiDeviceDlg::OnSystemChanged() {
    const MidiSystem system = SelectedSystem();
    // Back on the system the dialog opened with, its ports are selected again.
    if (system == initialSystem_) {
        Fill(system, initialInput_, initialOutput_);
    } else {
        Fill(system, -1, -1);
    }
}

MidiSystem CMidiDeviceDlg::SelectedSystem() const {
    const QVariant data = systemList_->currentData();
    return data.isValid() ? static_cast<MidiSystem>(data.toInt()) : initialSystem_;
}

int CMidiDeviceDlg::SelectedInput() const {
    return inputList_->currentIndex();
}

int CMidiDeviceDlg::SelectedOutput() const {
    return outputList_->currentIndex();
}

} // namespace kel
