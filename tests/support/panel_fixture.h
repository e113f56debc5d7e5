// SPDX-License-Identifier: GPL-3.0-or-later
// A panel shown in an owner window that records the notifications the panel posts to it.
#pragma once

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "gui/common/editornotify.h"
#include "gui/panel/kelpanel.h"
#include "model/parameter.h"

namespace kel {

class PanelOwner : public QWidget {
public:
    std::vector<std::pair<int, int>> notes;

protected:
    bool event(QEvent* event) override {
        if (event->type() == CEditorNotifyEvent::kType) {
            const auto* n = static_cast<CEditorNotifyEvent*>(event);
            notes.emplace_back(n->Code(), n->Value());
            return true;
        }
        return QWidget::event(event);
    }
};

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(panel_->CreatePanel(&owner_));
        owner_.resize(panel_->PanelWidth(), panel_->PanelHeight());
        owner_.show();
    }

    // What the panel shows, as an image.
    QImage Picture() { return panel_->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    CParameter document_;
    PanelOwner owner_;
    CKelPanel* panel_ = new CKelPanel(document_);
};

} // namespace kel
