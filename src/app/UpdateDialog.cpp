#include "app/UpdateDialog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocumentFragment>

namespace pacemark {

void UpdateDialog::show(const UpdateCheckResult& result)
{
    auto* box = new QMessageBox;
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Above the settings window, which itself stays on top.
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    box->setWindowTitle(QCoreApplication::translate("UpdateDialog", "업데이트 확인"));
    box->setTextFormat(Qt::PlainText);
    switch (result.outcome) {
    case UpdateCheckResult::Outcome::upToDate:
        box->setIcon(QMessageBox::Information);
        box->setText(QCoreApplication::translate("UpdateDialog", "최신 버전을 사용 중입니다."));
        box->setInformativeText(QStringLiteral("Pacemark %1").arg(result.currentVersion));
        box->addButton(QMessageBox::Ok);
        break;
    case UpdateCheckResult::Outcome::updateAvailable: {
        const UpdateFeed::Item& release = *result.release;
        box->setIcon(QMessageBox::Information);
        box->setText(
            QCoreApplication::translate("UpdateDialog", "새 버전 %1이(가) 있습니다.").arg(release.displayVersion()));
        QString details = QCoreApplication::translate("UpdateDialog", "현재 버전: %1").arg(result.currentVersion);
        // Notes are often HTML; the dialog shows their text only, so the feed cannot load anything.
        if (const QString notes = QTextDocumentFragment::fromHtml(release.description).toPlainText().trimmed();
            !notes.isEmpty())
            details += QStringLiteral("\n\n") + notes;
        if (release.releaseNotesLink.isValid())
            details += QStringLiteral("\n\n") + QCoreApplication::translate("UpdateDialog", "릴리스 노트: ")
                + release.releaseNotesLink.toString();
        box->setInformativeText(details);
        if (const QUrl page = release.downloadPage(); page.isValid()) {
            QPushButton* download = box->addButton(QCoreApplication::translate("UpdateDialog", "다운로드 페이지 열기"),
                                                   QMessageBox::AcceptRole);
            QObject::connect(download, &QPushButton::clicked, [page] { QDesktopServices::openUrl(page); });
        }
        box->addButton(QCoreApplication::translate("UpdateDialog", "닫기"), QMessageBox::RejectRole);
        break;
    }
    case UpdateCheckResult::Outcome::failed:
        box->setIcon(QMessageBox::Warning);
        box->setText(QCoreApplication::translate("UpdateDialog", "업데이트를 확인하지 못했습니다."));
        box->setInformativeText(result.error);
        box->addButton(QMessageBox::Ok);
        break;
    }
    box->show();
    box->raise();
    box->activateWindow();
}

}
