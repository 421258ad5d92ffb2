#pragma once
// ExpProgBar: a progress bar of the export dialog, painted as a rounded capsule filled with a
// blue gradient up to its value, with its formatted text centred. GUI thread only.
#include <QProgressBar>

class ExpProgBar : public QProgressBar {
    Q_OBJECT
public:
    explicit ExpProgBar(QWidget* parent = nullptr);

    // The bar as painted, at its current size.
    QImage render() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
