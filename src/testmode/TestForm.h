#pragma once

#include <QDialog>

namespace wayline {

class TResources;

// Test mode: servo calibration and the live sensor display. For now the
// window exists with its caption; its controls arrive with test mode.
class TTestForm : public QDialog {
    Q_OBJECT
public:
    explicit TTestForm(const TResources& resources, QWidget* parent = nullptr);
};

} // namespace wayline
