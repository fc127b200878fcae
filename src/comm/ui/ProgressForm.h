#pragma once

#include <QDialog>

namespace wayline {

class TResources;

// The window that accompanies every download. For now it exists with its
// caption; the port grid and gauge arrive with the download.
class TProgressForm : public QDialog {
    Q_OBJECT
public:
    explicit TProgressForm(const TResources& resources, QWidget* parent = nullptr);
};

} // namespace wayline
