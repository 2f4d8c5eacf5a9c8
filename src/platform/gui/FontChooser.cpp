// Font chooser dialog.
#include "platform/gui/FontChooser.h"

#include "platform/gui/ColourDialog.h"
#include "platform/gui/FontConversion.h"

#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

FontChooser::FontChooser(const LogFont& font, quint32 textColour, QWidget* parent)
    : QDialog(parent), m_base(font), m_colour(textColour) {
    setWindowTitle(tr("Font"));
    setObjectName(QStringLiteral("fontChooser"));
    m_fonts = new QFontDialog(FontConversion::toQFont(font), this);
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_fonts->setWindowFlags(Qt::Widget);
    // The embedded dialog still takes Escape for itself and would hide, leaving an empty chooser: it ends the
    // chooser instead.
    connect(m_fonts, &QDialog::finished, this, [this](int result) {
        if (result == QDialog::Accepted)
            accept();
        else
            reject();
    });

    m_colourButton = new QPushButton(tr("Text &colour..."), this);
    m_colourButton->setObjectName(QStringLiteral("colourButton"));
    connect(m_colourButton, &QPushButton::clicked, this, &FontChooser::chooseColour);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_colourButton);
    bottom->addStretch();
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fonts);
    layout->addLayout(bottom);
    showColour();
}

LogFont FontChooser::chosenFont() const {
    return FontConversion::fromQFont(m_fonts->currentFont(), m_base);
}

void FontChooser::chooseColour() {
    const QColor chosen = ColourDialog::choose(FontConversion::toQColor(m_colour), this, tr("Text colour"));
    if (chosen.isValid()) {
        m_colour = FontConversion::fromQColor(chosen);
        showColour();
    }
}

void FontChooser::showColour() {
    QPixmap swatch(16, 16);
    swatch.fill(FontConversion::toQColor(m_colour));
    m_colourButton->setIcon(QIcon(swatch));
}
