#include "renamer/widgets/FileProperties.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QUrl>
#include <QVBoxLayout>

#include "helpers/widgets/Hooks.h"

namespace morv::renamer {

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");

bool ShowOverDBus(const QString& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr) return false;
    const bool there = bus.interface()->isServiceRegistered(kService).value() ||
                       bus.interface()->activatableServiceNames().value().contains(kService);
    if (!there) return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/FileManager1"),
                                       kService, QStringLiteral("ShowItemProperties"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

QString Permissions(QFile::Permissions p) {
    QString text;
    text += p & QFile::ReadOwner ? 'r' : '-';
    text += p & QFile::WriteOwner ? 'w' : '-';
    text += p & QFile::ExeOwner ? 'x' : '-';
    text += p & QFile::ReadGroup ? 'r' : '-';
    text += p & QFile::WriteGroup ? 'w' : '-';
    text += p & QFile::ExeGroup ? 'x' : '-';
    text += p & QFile::ReadOther ? 'r' : '-';
    text += p & QFile::WriteOther ? 'w' : '-';
    text += p & QFile::ExeOther ? 'x' : '-';
    return text;
}

}  // namespace

FilePropertiesDialog::FilePropertiesDialog(QWidget* owner, const QString& path) : QDialog(owner) {
    setObjectName("FileProperties");
    const QFileInfo info(path);
    setWindowTitle(QStringLiteral("%1 Properties").arg(info.fileName()));
    QLocale locale;
    auto* form = new QFormLayout;
    auto row = [&](const QString& label, const QString& value) {
        auto* text = new QLabel(value);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        text->setAccessibleName(label);
        form->addRow(label, text);
    };
    row(QStringLiteral("Name:"), info.fileName());
    row(QStringLiteral("Folder:"), info.absolutePath());
    row(QStringLiteral("Type:"), QMimeDatabase().mimeTypeForFile(info).comment());
    row(QStringLiteral("Size:"), QStringLiteral("%1 (%2 bytes)")
                                     .arg(locale.formattedDataSize(info.size()))
                                     .arg(locale.toString(info.size())));
    row(QStringLiteral("Modified:"), locale.toString(info.lastModified(), QLocale::LongFormat));
    row(QStringLiteral("Accessed:"), locale.toString(info.lastRead(), QLocale::LongFormat));
    row(QStringLiteral("Permissions:"), Permissions(info.permissions()));
    row(QStringLiteral("Owner:"), QStringLiteral("%1 / %2").arg(info.owner(), info.group()));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void ShowFileProperties(QWidget* owner, const QString& path) {
    if (path.isEmpty() || !QFileInfo::exists(path)) return;
    const auto& fileManager = Hooks().showFileProperties;
    if (fileManager ? fileManager(path) : ShowOverDBus(path)) return;
    auto* dialog = new FilePropertiesDialog(owner, path);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Above its owner also when the owner stays on top of other windows.
    if (owner != nullptr && owner->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    dialog->show();
}

}  // namespace morv::renamer
