#include "renamer/widgets/frmLinks.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "helpers/core/PathHelpers.h"
#include "helpers/widgets/QtText.h"
#include "renamer/core/SiteBatch.h"

namespace morv::renamer {

namespace {

QTreeWidget* Table(const char* name, const QString& accessible, const QStringList& columns,
                   QWidget* parent) {
    auto* table = new QTreeWidget(parent);
    table->setObjectName(QLatin1String(name));
    table->setAccessibleName(accessible);
    table->setRootIsDecorated(false);
    table->setUniformRowHeights(true);
    table->setAlternatingRowColors(true);
    table->setHeaderLabels(columns);
    table->header()->setStretchLastSection(true);
    return table;
}

QLabel* Caption(const char* name, const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    label->setWordWrap(true);
    return label;
}

}  // namespace

QString LinkPreviewText(const LinkUpdatePlan& plan, bool done) {
    QString text = ToQString(DescribeLinkCounts(plan.counts)) +
                   (done ? QStringLiteral(" were rewritten") : QStringLiteral(" will change"));
    if (plan.counts.unsafe > 0)
        text += (done ? QStringLiteral("; %1 could not be (see Details)")
                      : QStringLiteral("; %1 cannot be rewritten (see Details)"))
                    .arg(plan.counts.unsafe);
    return text + '.';
}

frmLinks::frmLinks(QWidget* owner, const LinkUpdatePlan& plan, const std::string& siteFolder,
                   bool onTop)
    : QDialog(owner) {
    setObjectName("frmLinks");
    setWindowTitle(QStringLiteral("Links to Update"));
    setModal(true);
    if (onTop) setWindowFlag(Qt::WindowStaysOnTopHint, true);
    resize(680, 460);

    // Pages below the site folder, as a person who keeps the site names them.
    const std::string prefix = JoinPath(siteFolder, "");
    auto shown = [&prefix](const std::string& page) {
        return PathToQString(page.rfind(prefix, 0) == 0 ? page.substr(prefix.size()) : page);
    };

    lstLinks_ = Table(
        "lstLinks", QStringLiteral("References that will change"),
        {QStringLiteral("Page"), QStringLiteral("Reference"), QStringLiteral("New reference")},
        this);
    for (const PageEdits& page : plan.pages) {
        const QString name = shown(ShownPath(page));
        for (const LinkEdit& edit : page.edits)
            lstLinks_->addTopLevelItem(
                new QTreeWidgetItem({name, ToQString(edit.oldText), ToQString(edit.newText)}));
    }
    lblLinks_ = Caption(
        "lblLinks", ToQString(DescribeLinkCounts(plan.counts)) + QStringLiteral(" will change:"),
        lstLinks_, this);

    lstUnsafe_ =
        Table("lstUnsafe", QStringLiteral("References that are not rewritten"),
              {QStringLiteral("Page"), QStringLiteral("Reference"), QStringLiteral("Why")}, this);
    for (const UnsafeLink& link : plan.unsafe)
        lstUnsafe_->addTopLevelItem(new QTreeWidgetItem(
            {shown(link.page), ToQString(link.text), ToQString(DescribeUnsafe(link.reason))}));
    const size_t unsafe = plan.unsafe.size();
    lblUnsafe_ = Caption(
        "lblUnsafe",
        unsafe == 0 ? QStringLiteral("Every reference to the files can be rewritten.")
        : unsafe == 1
            ? QStringLiteral("1 reference cannot be rewritten safely and is left as it is; look "
                             "at it by hand:")
            : QStringLiteral("%1 references cannot be rewritten safely and are left as they are; "
                             "look at them by hand:")
                  .arg(unsafe),
        lstUnsafe_, this);
    for (QTreeWidget* table : {lstLinks_, lstUnsafe_})
        for (int column = 0; column < 2; ++column)
            table->resizeColumnToContents(column);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    close->setObjectName("cmdOK");
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblLinks_);
    layout->addWidget(lstLinks_, 3);
    layout->addWidget(lblUnsafe_);
    layout->addWidget(lstUnsafe_, 1);
    layout->addWidget(buttons);
}

}  // namespace morv::renamer
