#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TFDonate;
}

// The support window "Поддержать проект": the QR code of the payment page and a button that opens
// the page in the browser. A fresh one is made for every showing.
class TFDonate : public QDialog
{
    Q_OBJECT
public:
    // The payment page that the QR picture encodes.
    static const QString PaymentUrl;
    // The compiled-in QR picture.
    static const QString PictureResource;

    // Loads the picture from picturePath (the compiled-in one unless a test passes its own).
    explicit TFDonate(QWidget *parent = nullptr, const QString &picturePath = PictureResource);
    ~TFDonate() override;

    // The generated controls (tests read them).
    Ui::TFDonate *ui() const { return m_ui.get(); }

    // Loads the picture; the hint says whether it could be shown.
    void FormCreate(const QString &picturePath);
    // Opens the payment page through the shell.
    void btnOpenClick();

private:
    std::unique_ptr<Ui::TFDonate> m_ui;
};

// The support window made at start; each click on the support button uses a fresh one instead.
extern TFDonate *FDonate;
