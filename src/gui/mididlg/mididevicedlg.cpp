// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mididlg/mididevicedlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/common/ids.h"
#include "gui/common/translation.h"
#include "gui/mididlg/transferdlgs.h"
#include "midi/devlist.h"

namespace kel {

namespace {

void FillList(QComboBox* list, const CMidiDevList& names, int selected) {
    list->clear();
    for (int i = 0; i < names.GetCount(); ++i) {
        list->addItem(QString::fromStdString(names.GetAt(i)));
    }
    list->setCurrentIndex(selected >= 0 && selected < names.GetCount() ? selected : -1);
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
      outputList_(new QComboBox(this)), noPorts_(new QLabel(this)) {
    SetKelId(this, dlg::Devices);
    setWindowTitle(KelEditor::tr("MIDI Devices"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setModal(true);

    SetKelId(systemList_, ctl::MidiSystemList);
    SetKelId(inputList_, ctl::InputPortList);
    SetKelId(outputList_, ctl::OutputPortList);
    SetKelId(noPorts_, ctl::NoPortsNote);
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
    FillList(inputList_, inputs, input);
    FillList(outputList_, outputs, output);
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
