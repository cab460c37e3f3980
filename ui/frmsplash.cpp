#include "ui/frmsplash.h"

#include "core/version.h"
#include "platform/applicationtitle.h"
#include "ui/icons.h"

#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

frmSplash::frmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplash"));
    auto *outer = new QVBoxLayout(this);
    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("fraMainFrame"));
    frame->setFrameShape(QFrame::Box);
    outer->addWidget(frame);
    auto *layout = new QVBoxLayout(frame);
    layout->setContentsMargins(24, 16, 24, 16);

    const auto addLabel = [this, layout](const char *name, const QString &text) {
        auto *label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        layout->addWidget(label);
        return label;
    };
    addLabel("picLogo", {})->setPixmap(applicationIcon().pixmap(64, 64));
    addLabel("lblLicenseTo", tr("Licensed to the operator of this instrument"));
    QLabel *product = addLabel("lblProductName", {});
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    product->setFont(big);
    addLabel("lblCompanyProduct", tr("Fibre-optic multiplexer control"));
    addLabel("lblPlatform", tr("for Linux and Windows"));
    QLabel *version = addLabel("lblVersion", {});
    addLabel("lblWarning", tr("Switches the optical path: check the set-up before a run."));
    addLabel("lblCompany", tr("QMX-7700 control program"));
    addLabel("lblCopyright", tr("All rights reserved."));

    // Load: the two labels that carry the release.
    version->setText(
        tr("Version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionPatch));
    product->setText(QString::fromLatin1(kApplicationTitle));

    adjustSize();
    if (const QScreen *where = screen())
        move(where->availableGeometry().center() - rect().center());
}
