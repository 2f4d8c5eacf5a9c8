// An edit field with up and down arrows for an integer setting.
//
// An edit field with up and down arrows for an integer setting. Unlike QSpinBox it takes any text while
// the user types; the page checks the text on OK and when the user leaves the page (IntegerInput).
#pragma once

#include <QAbstractSpinBox>

class SpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit SpinEdit(QWidget* parent = nullptr);

    void setRange(int min, int max);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }

    QString fieldText() const;
    void setFieldText(const QString& text);
    void setValue(int value) { setFieldText(QString::number(value)); }
    // Gives the field the focus with its whole text selected (after a refused value).
    void selectField();

    void stepBy(int steps) override;

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    StepEnabled stepEnabled() const override;

private:
    int m_min = 0;
    int m_max = 99;
};
