#include "tools/BatchDialog.h"

#include "framework/FrameWnd.h"
#include "framework/WinApp.h"
#include "image/BatchConversion.h"
#include "res/CommandIds.h"
#include "ui/ProgressDlg.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

namespace {

const char* const g_types[] = {"*.*",  ".bmp", ".jpg", ".tif", ".png", ".tga",
                               ".pcx", ".ico", ".pcd", ".pbm", ".pgm", ".ppm"};

QComboBox* TypeList(QWidget* pParent, const QString& strName, bool bWithMask)
{
    auto* pCombo = new QComboBox(pParent);
    pCombo->setObjectName(strName);
    pCombo->setEditable(true);
    pCombo->setInsertPolicy(QComboBox::NoInsert);
    for (const char* pszType : g_types)
        if (bWithMask || pszType[0] == '.')
            pCombo->addItem(QString::fromLatin1(pszType));
    pCombo->setCurrentIndex(0);
    return pCombo;
}

QPushButton* PushLikeCheck(QWidget* pParent, const QString& strName, const QString& strText)
{
    auto* pButton = new QPushButton(strText, pParent);
    pButton->setObjectName(strName);
    pButton->setCheckable(true);
    return pButton;
}

// Shows the wait cursor and a progress dialog per pass, and the run's messages.
class CBatchProgress : public CBatchObserver {
public:
    void BeginPass() override
    {
        m_pWait = std::make_unique<CWaitCursor>();
        m_pProgress = std::make_unique<CProgressDlg>(IDS_BATCH_PROGRESS);
        m_pProgress->Create();
    }
    void FileDone() override { m_pProgress->StepIt(); }
    void EndPass() override
    {
        m_pProgress->DestroyWindow();
        m_pProgress.reset();
        m_pWait.reset();
    }
    void Message(const QString& strText) override { AfxMessageBox(strText); }

private:
    std::unique_ptr<CWaitCursor> m_pWait;
    std::unique_ptr<CProgressDlg> m_pProgress;
};

} // namespace

CBatchDialog::CBatchDialog(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Batch conversion"));
    m_pInputType = TypeList(this, QStringLiteral("inputType"), true);
    m_pOutputType = TypeList(this, QStringLiteral("outputType"), false);
    FormLayout()->addRow(QStringLiteral("Input file type"), m_pInputType);
    FormLayout()->addRow(QStringLiteral("Output file type"), m_pOutputType);

    const auto addFolder = [this](const QString& strGroup, const QString& strName, const QString& strTitle) {
        auto* pBox = new QGroupBox(strGroup, this);
        auto* pRow = new QHBoxLayout(pBox);
        auto* pEdit = new QLineEdit(pBox);
        pEdit->setObjectName(strName);
        pEdit->setReadOnly(true);
        auto* pBrowse = new QPushButton(QStringLiteral("..."), pBox);
        pBrowse->setObjectName(strName + QStringLiteral("Browse"));
        connect(pBrowse, &QPushButton::clicked, this, [this, pEdit, strTitle] { Browse(pEdit, strTitle); });
        pRow->addWidget(pEdit, 1);
        pRow->addWidget(pBrowse);
        FormLayout()->addRow(pBox);
        return pEdit;
    };
    m_pInputFolder = addFolder(QStringLiteral("Input folder"), QStringLiteral("inputFolder"),
                               QStringLiteral("Input folder for conversion"));
    m_pOutputFolder = addFolder(QStringLiteral("Output folder"), QStringLiteral("outputFolder"),
                                QStringLiteral("Destination folder for conversion\nShold be on local machine"));

    m_pGenerateNames = PushLikeCheck(this, QStringLiteral("generateNames"), QStringLiteral("Generate names"));
    m_pSubfolders = PushLikeCheck(this, QStringLiteral("subfolders"), QStringLiteral("Subfolders"));
    auto* pOptions = new QHBoxLayout;
    pOptions->addWidget(m_pGenerateNames);
    pOptions->addWidget(m_pSubfolders);
    FormLayout()->addRow(pOptions);
}

void CBatchDialog::Browse(QLineEdit* pEdit, const QString& strTitle)
{
    QFileDialog dialog(this, strTitle);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        pEdit->setText(dialog.selectedFiles().constFirst());
}

void CBatchDialog::accept()
{
    m_strInputType = m_pInputType->currentText();
    m_strOutputType = m_pOutputType->currentText();
    m_strInputFolder = m_pInputFolder->text();
    m_strOutputFolder = m_pOutputFolder->text();
    m_bGenerateNames = m_pGenerateNames->isChecked();
    m_bSubfolders = m_pSubfolders->isChecked();
    if (m_strOutputFolder.isEmpty()) {
        AfxMessageBox(QStringLiteral("You should have an output folder\nBy default this folder will be temp"));
        m_strOutputFolder = DefaultBatchOutputFolder();
    }
    QDialog::accept();
}

void OnBatchConversion()
{
    CBatchDialog dialog(AfxGetMainWnd());
    if (dialog.DoModal() != CDialog::IDOK)
        return;
    SBatchOptions options;
    options.strInputType = dialog.m_strInputType;
    options.strOutputType = dialog.m_strOutputType;
    options.strInputFolder = dialog.m_strInputFolder;
    options.strOutputFolder = dialog.m_strOutputFolder;
    options.bGenerateNames = dialog.m_bGenerateNames;
    options.bSubfolders = dialog.m_bSubfolders;
    CBatchProgress progress;
    RunBatchConversion(options, progress);
}
