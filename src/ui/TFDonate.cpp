#include "ui/TFDonate.h"

#include "ui_TFDonate.h"

#include "ui/Dialogs.h"
#include "ui/ErrorDisplay.h"
#include "ui/MissingGlyphs.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

using namespace dokrava;

// The resources live in a static library, so they are registered by hand before first use.
static void initDokravaResources()
{
    Q_INIT_RESOURCE(dokrava);
}

TFDonate *FDonate = nullptr;

const QString TFDonate::PaymentUrl = QStringLiteral("https://dokrava.ru/donate");
const QString TFDonate::PictureResource = QStringLiteral(":/QR_DONATE");

TFDonate::TFDonate(QWidget *parent, const QString &picturePath)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFDonate>())
{
    initDokravaResources();
    m_ui->setupUi(this);
    setFixedSize(size());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FitSymbolCaption(m_ui->btnOpen, QStringLiteral("internet-web-browser"));
    connect(m_ui->btnOpen, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { btnOpenClick(); }); });
    connect(m_ui->btnClose, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate(picturePath);
}

TFDonate::~TFDonate()
{
    if (FDonate == this)
        FDonate = nullptr;
}

void TFDonate::FormCreate(const QString &picturePath)
{
    QPixmap picture;
    if (picture.load(picturePath, "PNG")) {
        // Nearest-pixel scaling keeps the module edges hard for a camera.
        m_ui->imgQR->setPixmap(picture.scaled(m_ui->imgQR->size(), Qt::KeepAspectRatio,
                                              Qt::FastTransformation));
        m_ui->lblHint->setText(QStringLiteral("Отсканируйте камерой"));
        return;
    }
    m_ui->imgQR->clear();
    m_ui->lblHint->setText(QStringLiteral("QR-код недоступен"));
    m_ui->lblHint->setStyleSheet(QStringLiteral("color: #ff0000;"));
}

void TFDonate::btnOpenClick()
{
    Dialogs::get().shellOpen(PaymentUrl);
}
