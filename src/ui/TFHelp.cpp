#include "ui/TFHelp.h"

#include "ui_TFHelp.h"

#include "base/AnsiText.h"
#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "ui/ErrorDisplay.h"

#include <QDir>
#include <QFile>
#include <QShowEvent>

using namespace dokrava;

TFHelp *FHelp = nullptr;

TFHelp::TFHelp(QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFHelp>())
{
    m_ui->setupUi(this);
}

TFHelp::~TFHelp()
{
    if (FHelp == this)
        FHelp = nullptr;
}

void TFHelp::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        RunGuarded(this, [this] { FormShow(); });
}

void TFHelp::FormShow()
{
    const QString path = AppFolder::path() + QStringLiteral("help.txt");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DokravaError(QStringLiteral("Не удалось открыть файл ") + QDir::toNativeSeparators(path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw DokravaError(QStringLiteral("Не удалось прочитать файл ") + QDir::toNativeSeparators(path));
    m_ui->Memo1->setPlainText(AnsiText::splitLines(AnsiText::decodeWithBom(bytes)).join(QLatin1Char('\n')));
}
