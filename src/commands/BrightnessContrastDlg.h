#pragma once
// Brightness and contrast adjusted live: every slider movement recomputes the picture from the one
// the document showed when the dialog opened and shows it in the document at once. OK keeps the last
// picture; CANCEL (also Escape) puts the starting one back.
#include "framework/Dialog.h"
#include "image/Bitmap.h"

class CImageProcessor;
class CLumivoDoc;
class QLabel;
class QSlider;
struct IplImage;
struct IplLUT;

class CDialogBrightnessContrast : public CDialog {
public:
    // The processor is built over the document's bitmap and outlives the dialog.
    CDialogBrightnessContrast(CLumivoDoc& doc, CImageProcessor& processor, QWidget* pParent = nullptr);
    ~CDialogBrightnessContrast() override;

    QSlider* m_pBrightness;
    QSlider* m_pContrast;
    QLabel* m_pBrightnessText;
    QLabel* m_pContrastText;

protected:
    void done(int nResult) override;

private:
    // Brightness b and contrast s from the sliders (-200 .. 200), the preview made and shown.
    void OnSliderMoved();

    CLumivoDoc& m_doc;
    CImageProcessor& m_processor;
    CBitmapPtr m_pStart;         // the starting picture once a preview shows instead
    IplImage* m_pWork = nullptr; // source + brightness
    IplLUT** m_ppLuts = nullptr; // the contrast table, one per channel
    int m_nChannels = 0;
};
