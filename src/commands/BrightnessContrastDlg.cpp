#include "commands/BrightnessContrastDlg.h"

#include "document/LumivoDoc.h"
#include "processing/ImageProcessor.h"
#include "processing/Operations.h"
#include "processing/ipl/Ipl.h"

#include <FreeImage.h>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace {
// The sliders run from 0 to twice the middle, which stands for 0; the range is the operation's.
int SliderMiddle()
{
    static const int nMiddle = int(-FindOperation(QStringLiteral("brightness-contrast"))->params[0].dMin);
    return nMiddle;
}
} // namespace

CDialogBrightnessContrast::CDialogBrightnessContrast(CLumivoDoc& doc, CImageProcessor& processor, QWidget* pParent)
    : CDialog(pParent), m_doc(doc), m_processor(processor)
{
    setWindowTitle(QStringLiteral("Adjust Brightness \\ Contrast"));
    // A caption without a close box or the minimise and maximise buttons: OK, CANCEL or Escape end it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ButtonBox()->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("CANCEL"));
    auto fnAddSlider = [this](const QString& strLabel, const char* pszSlider, const char* pszText, QLabel*& pText) {
        auto* pSlider = new QSlider(Qt::Horizontal, this);
        pSlider->setObjectName(pszSlider);
        pSlider->setRange(0, 2 * SliderMiddle());
        pSlider->setValue(SliderMiddle());
        pSlider->setMinimumWidth(240); // wide enough to aim at a level
        pText = new QLabel(QStringLiteral("0"), this);
        pText->setObjectName(pszText);
        pText->setMinimumWidth(pText->fontMetrics().horizontalAdvance(QStringLiteral("-200")));
        auto* pRow = new QHBoxLayout;
        pRow->addWidget(pSlider);
        pRow->addWidget(pText);
        FormLayout()->addRow(new QLabel(strLabel, this));
        FormLayout()->addRow(pRow);
        connect(pSlider, &QSlider::valueChanged, this, [this] { OnSliderMoved(); });
        return pSlider;
    };
    m_pBrightness = fnAddSlider(QStringLiteral("Brightness"), "slider1067", "static1071", m_pBrightnessText);
    m_pContrast = fnAddSlider(QStringLiteral("Contrast"), "slider1068", "static1072", m_pContrastText);
    // The sliders on the left, OK and CANCEL stacked on the right.
    auto* pOuter = static_cast<QBoxLayout*>(layout());
    pOuter->setDirection(QBoxLayout::LeftToRight);
    ButtonBox()->setOrientation(Qt::Vertical);
    pOuter->setAlignment(ButtonBox(), Qt::AlignTop);

    m_pWork = m_processor.PrepareAdjust();
    if (m_pWork) {
        m_nChannels = m_pWork->nChannels;
        m_ppLuts = CImageProcessor::AllocAdjustLUTs(m_nChannels);
    }
}

CDialogBrightnessContrast::~CDialogBrightnessContrast()
{
    iplDeallocate(m_pWork, IPL_IMAGE_ALL);
    CImageProcessor::FreeLUTs(m_ppLuts, m_nChannels);
}

void CDialogBrightnessContrast::OnSliderMoved()
{
    const int b = m_pBrightness->value() - SliderMiddle();
    const int s = m_pContrast->value() - SliderMiddle();
    m_pBrightnessText->setText(QString::number(b));
    m_pContrastText->setText(QString::number(s));
    if (!m_pWork || !m_ppLuts)
        return;
    for (int c = 0; c < m_nChannels; ++c)
        CImageProcessor::FillAdjustTable(s, m_ppLuts[c]->value);
    // Every preview starts from the starting picture, translated once when the dialog opened; the
    // processor writes each one into the same result bitmap, which the document shows.
    FIBITMAP* pPreview = m_processor.AdjustBrightnessContrast(m_pWork, b, m_ppLuts);
    if (!pPreview)
        return;
    CBitmapPtr pShown = m_doc.ReplaceImage(CBitmapPtr(pPreview), m_doc.m_dElapsed, 0);
    if (!m_pStart)
        m_pStart = std::move(pShown);
}

void CDialogBrightnessContrast::done(int nResult)
{
    if (nResult != QDialog::Accepted && m_pStart)
        m_doc.ReplaceImage(std::move(m_pStart), m_doc.m_dElapsed, 0); // the preview comes back and goes
    m_processor.m_pDstBitmap = nullptr;                               // the preview, if any, is the document's
    CDialog::done(nResult);
}
