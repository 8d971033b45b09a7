#pragma once

#include <QAbstractButton>
#include <QPointer>

namespace velkora {

class VelkoraLabel;

// A small help button: the "questionmark.circle" symbol in the secondary
// style. A click opens a popover beside it with the help text (a key of the
// string table, shown through localized(), as plain text) laid out 240
// points wide; another click, or a click anywhere else, closes it. Main
// thread only.
class HelpLink : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int textWidth = 240;

    explicit HelpLink(const QString& textKey, QWidget* parent = nullptr);
    ~HelpLink() override;

    // The help text as shown, and a new one (a key), also in an open popover.
    const QString& helpText() const { return text_; }
    void setTextKey(const QString& textKey);

    // Whether the popover is open.
    bool isShowing() const;
    // The popover's text label while it is open.
    VelkoraLabel* popoverText() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void toggle();

    QString text_;
    QPointer<QWidget> popover_;
};

}  // namespace velkora
