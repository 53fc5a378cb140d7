// Processing commands as the user runs them: dialogs, defaults, the clock and the result document.
#include "commands/ProcessingCommands.h"
#include "document/LumivoDoc.h"
#include "framework/DocTemplate.h"
#include "framework/FrameWnd.h"
#include "processing/Operations.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QtTest>

namespace {
QString Text(QWidget* pDialog, const char* pszName)
{
    auto* pEdit = pDialog->findChild<QLineEdit*>(pszName);
    return pEdit ? pEdit->text() : QStringLiteral("<none>");
}
} // namespace

class CTestCommands : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(WriteTestImage(m_dir.filePath("src.bmp"), 20, 10)); }
    void init()
    {
        QVERIFY(m_app.Start({"-nologo", m_dir.filePath("src.bmp")}));
        m_pApp = &m_app.App();
        m_pSource = dynamic_cast<CLumivoDoc*>(m_pApp->GetMainWnd()->GetActiveDocument());
        QVERIFY(m_pSource);
        m_pSource->m_dElapsed = 9.0;
    }
    void cleanup() { m_app.Stop(); }

    void dialogDefaultsPerCommand_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<bool>("interpolation");
        const QStringList factors{"edit1042", "edit1044", "edit1043", "edit1045"};
        const QStringList aperture{"edit1049", "edit1059", "edit1050", "edit1060"};
        const QStringList pair{"edit1049", "edit1050"};
        QTest::newRow("blur") << int(ID_FILTER_BLUR) << "Blur" << aperture << QStringList{"3", "3", "1", "1"} << false;
        QTest::newRow("median") << int(ID_FILTER_MEDIAN) << "More Filters" << aperture
                                << QStringList{"3", "3", "1", "1"} << false;
        QTest::newRow("black and white") << int(ID_CONVERT_BLACK_WHITE) << "Threshold" << QStringList{"edit1049"}
                                         << QStringList{"128"} << false;
        QTest::newRow("erode") << int(ID_MORPH_ERODE) << "Morphological" << QStringList{"edit1049"} << QStringList{"1"}
                               << false;
        QTest::newRow("uniform") << int(ID_NOISE_UNIFORM) << "Add Uniform Noise" << pair << QStringList{"150", "75"}
                                 << false;
        QTest::newRow("gaussian") << int(ID_NOISE_GAUSSIAN) << "Add Gaussian Noise" << pair << QStringList{"35", "10"}
                                  << false;
        QTest::newRow("zoom") << int(ID_GEOM_ZOOM) << "Geometric" << factors << QStringList{"2", "1", "2", "1"} << true;
        QTest::newRow("decimate") << int(ID_GEOM_DECIMATE) << "Geometric" << factors << QStringList{"1", "2", "1", "2"}
                                  << true;
        QTest::newRow("resize") << int(ID_GEOM_RESIZE) << "Geometric" << factors << QStringList{"1", "2", "2", "1"}
                                << true;
        QTest::newRow("decimate blur") << int(ID_GEOM_DECIMATE_BLUR) << "Decimate Blur"
                                       << (QStringList{"edit1049", "edit1050"} + factors)
                                       << QStringList{"3", "3", "1", "2", "1", "2"} << true;
        QTest::newRow("rotate") << int(ID_GEOM_ROTATE) << "Rotate" << QStringList{"edit1049"} << QStringList{"90"}
                                << true;
        QTest::newRow("shear") << int(ID_GEOM_SHEAR) << "Shear" << QStringList{"edit1049", "edit1050"}
                               << QStringList{"0.2", "0.1"} << true;
    }

    void dialogDefaultsPerCommand()
    {
        QFETCH(int, id);
        QFETCH(QString, title);
        QFETCH(QStringList, edits);
        QFETCH(QStringList, values);
        QFETCH(bool, interpolation);
        QStringList seen;
        QString strTitle;
        bool bNearest = false;
        DriveNextModal([&](QWidget* pDialog) {
            strTitle = pDialog->windowTitle();
            for (const QString& strEdit : edits)
                seen.append(Text(pDialog, qPrintable(strEdit)));
            const auto radios = pDialog->findChildren<QRadioButton*>();
            bNearest = !radios.isEmpty() && radios.first()->isChecked() && radios.first()->text() == "Nearest";
            PressButton(pDialog, "Cancel");
            if (pDialog->isVisible())
                QMetaObject::invokeMethod(pDialog, "reject"); // Shear has no Cancel button
        });
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(id));
        QCOMPARE(strTitle, title);
        QCOMPARE(seen, values);
        QCOMPARE(bNearest, interpolation);
        // Cancelled: nothing measured, no new window.
        QCOMPARE(m_pSource->m_dElapsed, 9.0);
        QCOMPARE(m_pApp->m_pDocTemplate->GetDocuments().size(), size_t(1));
    }

    void okOpensOneResultTitledAfterTheCommand()
    {
        for (int nRun = 0; nRun < 2; ++nRun) {
            QCOMPARE(m_pApp->OpenDocumentFile(m_dir.filePath("src.bmp")), m_pSource); // activate the source
            DriveNextModal([](QWidget* pDialog) { PressButton(pDialog, "OK"); });
            QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_GEOM_ZOOM));
        }
        const auto& docs = m_pApp->m_pDocTemplate->GetDocuments();
        QCOMPARE(docs.size(), size_t(3));
        for (size_t i = 1; i < 3; ++i) {
            auto* pResult = static_cast<CLumivoDoc*>(docs[i]);
            QCOMPARE(pResult->GetTitle(), QStringLiteral("Zoom image"));
            QCOMPARE(pResult->m_nWidth, 40);
            QVERIFY(pResult->m_strImagePath.isEmpty());
        }
        QVERIFY(m_pSource->m_dElapsed != 9.0);
        QCOMPARE(static_cast<CLumivoDoc*>(docs[2])->m_dElapsed, m_pSource->m_dElapsed);
        QCOMPARE(m_pApp->GetMainWnd()->GetPaneText(ID_INDICATOR_IMAGE), QStringLiteral("[40x20x24]"));
        QCOMPARE(m_pApp->GetMainWnd()->GetPaneText(ID_INDICATOR_TIME),
                 QString::asprintf("Time : %3.3f", m_pSource->m_dElapsed));
    }

    void refusedOperationStillMeasures()
    {
        // The dialog accepts mask 4, the operation refuses it: no window, but the time is taken.
        DriveNextModal([](QWidget* pDialog) {
            FillField(pDialog, "edit1049", "4");
            PressButton(pDialog, "OK");
        });
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_GEOM_DECIMATE_BLUR));
        QCOMPARE(m_pApp->m_pDocTemplate->GetDocuments().size(), size_t(1));
        QVERIFY(m_pSource->m_dElapsed != 9.0);
    }

    void outOfRangeKeepsTheDialogOpen()
    {
        QString strPrompt;
        DriveModals({[](QWidget* pDialog) {
                         FillField(pDialog, "edit1049", "361");
                         PressButton(pDialog, "OK");
                     },
                     [&](QWidget* pBox) {
                         strPrompt = MessageBoxText(pBox);
                         PressButton(pBox, "OK");
                     },
                     [](QWidget* pDialog) { PressButton(pDialog, "Cancel"); }});
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_GEOM_ROTATE));
        QCOMPARE(strPrompt, QStringLiteral("Please enter a number between 1 and 360."));
        QCOMPARE(m_pSource->m_dElapsed, 9.0);
    }

    void mirrorWithoutAxisSaysSoAndDoesNothing()
    {
        QString strMessage;
        DriveModals({[](QWidget* pDialog) {
                         pDialog->findChild<QCheckBox*>("check1054")->setChecked(false);
                         PressButton(pDialog, "OK");
                     },
                     [&](QWidget* pBox) {
                         strMessage = MessageBoxText(pBox);
                         PressButton(pBox, "OK");
                     }});
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_GEOM_MIRROR));
        QCOMPARE(strMessage, QStringLiteral("Not flip axis specified"));
        QCOMPARE(m_pSource->m_dElapsed, 9.0);
        QCOMPARE(m_pApp->m_pDocTemplate->GetDocuments().size(), size_t(1));

        // Both boxes: a new image flipped both ways.
        DriveNextModal([](QWidget* pDialog) {
            pDialog->findChild<QCheckBox*>("check1055")->setChecked(true);
            PressButton(pDialog, "OK");
        });
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_GEOM_MIRROR));
        QCOMPARE(m_pApp->m_pDocTemplate->GetDocuments().back()->GetTitle(), QStringLiteral("Mirror image"));
    }

    // A command runs its operation by name: every name must be declared.
    void everyCommandNamesADeclaredOperation()
    {
        for (const SProcessingCommand& command : ProcessingCommands())
            QVERIFY2(!command.pszOperation || FindOperation(QString::fromLatin1(command.pszOperation)),
                     command.pszOperation);
    }

    void enablingRules()
    {
        QVERIFY(IsProcessingEnabled(ENABLE_ALWAYS, 4));
        QVERIFY(!IsProcessingEnabled(ENABLE_MORE_THAN_1BIT, 1));
        QVERIFY(IsProcessingEnabled(ENABLE_MORE_THAN_1BIT, 4));
        QVERIFY(!IsProcessingEnabled(ENABLE_8BIT_OR_MORE, 4));
        QVERIFY(IsProcessingEnabled(ENABLE_8BIT_OR_MORE, 8));
        // Geometric commands stay enabled on a 4-bit image, where they produce nothing.
        QVERIFY(WriteTestImage(m_dir.filePath("four.bmp"), 6, 6, 4));
        QVERIFY(m_pApp->OpenDocumentFile(m_dir.filePath("four.bmp")));
        QVERIFY(m_pApp->GetMainWnd()->QueryCommand(ID_GEOM_ROTATE).m_bEnabled);
        DriveNextModal([](QWidget* pDialog) { PressButton(pDialog, "OK"); });
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_GEOM_ROTATE));
        QCOMPARE(m_pApp->m_pDocTemplate->GetDocuments().size(), size_t(2));
    }

    void filterDialogRunsTheChosenKernel()
    {
        int nIndex = -1;
        DriveNextModal([&](QWidget* pDialog) {
            auto* pCombo = pDialog->findChild<QComboBox*>("combo1061");
            nIndex = pCombo->currentIndex();
            QCOMPARE(pCombo->count(), 11);
            QCOMPARE(pCombo->itemText(10), QStringLiteral("SHARPEN"));
            PressButton(pDialog, "OK");
        });
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_FILTER_FIXED));
        QCOMPARE(nIndex, 0);
        QCOMPARE(m_pApp->OpenDocumentFile(m_dir.filePath("src.bmp")), m_pSource);
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_FILTER_PREWITT_V)); // the same kernel from the toolbar
        const auto& docs = m_pApp->m_pDocTemplate->GetDocuments();
        QCOMPARE(docs.size(), size_t(3));
        auto* pChosen = static_cast<CLumivoDoc*>(docs[1]);
        auto* pDirect = static_cast<CLumivoDoc*>(docs[2]);
        QCOMPARE(pChosen->GetTitle(), QStringLiteral("Filter image"));
        QCOMPARE(pDirect->GetTitle(), QStringLiteral("Vertical Prewit image"));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(pChosen->m_pBits), pChosen->m_nPitch * pChosen->m_nHeight),
                 QByteArray(reinterpret_cast<const char*>(pDirect->m_pBits), pDirect->m_nPitch * pDirect->m_nHeight));

        // A text naming no entry is never passed on as a code: the dialog stays open.
        QString strPrompt;
        DriveModals({[](QWidget* pDialog) {
                         pDialog->findChild<QComboBox*>("combo1061")->setEditText("EMBOSS");
                         PressButton(pDialog, "OK");
                     },
                     [&](QWidget* pBox) {
                         strPrompt = MessageBoxText(pBox);
                         PressButton(pBox, "OK");
                     },
                     [](QWidget* pDialog) { PressButton(pDialog, "Cancel"); }});
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_FILTER_FIXED));
        QCOMPARE(strPrompt, QStringLiteral("Please choose an entry from the list."));
        QCOMPARE(docs.size(), size_t(3));
    }

    void anchorOutsideTheApertureOpensNothing()
    {
        DriveNextModal([](QWidget* pDialog) {
            FillField(pDialog, "edit1050", "5");
            PressButton(pDialog, "OK");
        });
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_FILTER_BLUR));
        QCOMPARE(m_pApp->m_pDocTemplate->GetDocuments().size(), size_t(1));
        QVERIFY(m_pSource->m_dElapsed != 9.0);

        // The non-linear filters' dialog refuses anchor 0 itself; aperture 1 passes it and the filter refuses.
        QString strPrompt;
        DriveModals({[](QWidget* pDialog) {
                         FillField(pDialog, "edit1060", "0");
                         PressButton(pDialog, "OK");
                     },
                     [&](QWidget* pBox) {
                         strPrompt = MessageBoxText(pBox);
                         PressButton(pBox, "OK");
                     },
                     [](QWidget* pDialog) {
                         FillField(pDialog, "edit1060", "1");
                         FillField(pDialog, "edit1059", "1");
                         PressButton(pDialog, "OK");
                     }});
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_FILTER_MIN));
        QCOMPARE(strPrompt, QStringLiteral("Please enter an integer between 1 and 6."));
        QCOMPARE(m_pApp->m_pDocTemplate->GetDocuments().size(), size_t(1));
    }

    void blackAndWhiteOnEveryDepth_data()
    {
        QTest::addColumn<int>("nBpp");
        for (int nBpp : {4, 8, 16, 24, 32})
            QTest::addRow("%d", nBpp) << nBpp;
    }

    void blackAndWhiteOnEveryDepth()
    {
        QFETCH(int, nBpp);
        const QString strPath = m_dir.filePath(QStringLiteral("bw%1.bmp").arg(nBpp));
        QVERIFY(WriteTestImage(strPath, 21, 9, nBpp));
        auto* pDoc = dynamic_cast<CLumivoDoc*>(m_pApp->OpenDocumentFile(strPath));
        QVERIFY(pDoc);
        FIBITMAP* pOwn = pDoc->m_pBitmap;
        const QByteArray before(reinterpret_cast<const char*>(pDoc->m_pBits), pDoc->m_nPitch * pDoc->m_nHeight);
        QVERIFY(m_pApp->GetMainWnd()->QueryCommand(ID_CONVERT_BLACK_WHITE).m_bEnabled);
        DriveNextModal([](QWidget* pDialog) { PressButton(pDialog, "OK"); });
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_CONVERT_BLACK_WHITE));
        auto* pResult = static_cast<CLumivoDoc*>(m_pApp->m_pDocTemplate->GetDocuments().back());
        QCOMPARE(pResult->GetTitle(), QStringLiteral("Binarized Image"));
        QCOMPARE(pResult->m_nBpp, 1);
        QCOMPARE(QSize(pResult->m_nWidth, pResult->m_nHeight), QSize(21, 9));
        QCOMPARE(pDoc->m_pBitmap, pOwn);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(pDoc->m_pBits), pDoc->m_nPitch * pDoc->m_nHeight), before);
    }

    void enablingByDepth()
    {
        const int tonal[] = {ID_COLOR_EQUALIZE,           ID_CONTRAST_LOW_PLUS, ID_CONTRAST,
                             ID_COLOR_HISTOGRAM,          ID_NOISE_UNIFORM,     ID_NOISE_GAUSSIAN,
                             ID_COLOR_BRIGHTNESS_CONTRAST};
        const int always[] = {ID_FILTER_BLUR, ID_FILTER_SHARPEN, ID_COLOR_INVERT, ID_MORPH_CLOSE, ID_NOISE_SALT_PEPPER};
        auto* pFrame = m_pApp->GetMainWnd();
        for (int nBpp : {1, 4, 8}) {
            const QString strPath = m_dir.filePath(QStringLiteral("depth%1.bmp").arg(nBpp));
            QVERIFY(WriteTestImage(strPath, 6, 6, nBpp));
            QVERIFY(m_pApp->OpenDocumentFile(strPath));
            for (int nId : tonal)
                QCOMPARE(pFrame->QueryCommand(nId).m_bEnabled, nBpp >= 8);
            for (int nId : always)
                QVERIFY(pFrame->QueryCommand(nId).m_bEnabled);
            QCOMPARE(pFrame->QueryCommand(ID_CONVERT_BLACK_WHITE).m_bEnabled, nBpp > 1);
        }
        // Routed but doing nothing.
        for (int nId : {ID_COLOR_HISTOGRAM, ID_CONTRAST, ID_NOISE_SALT_PEPPER})
            QVERIFY(pFrame->ExecuteCommand(nId));
        QCOMPARE(m_pApp->m_pDocTemplate->GetDocuments().size(), size_t(4));
    }

    void brightnessContrastPreviewsLive()
    {
        FIBITMAP* pStart = m_pSource->m_pBitmap;
        const QByteArray start(reinterpret_cast<const char*>(m_pSource->m_pBits),
                               m_pSource->m_nPitch * m_pSource->m_nHeight);
        const int nFirst = uint8_t(start[0]);
        QString strTitle, strBrightness;
        int nBrighter = -1;
        QByteArray back;
        // Brightness +50 shows at once; back to 0 gives the starting picture; CANCEL puts it back.
        DriveNextModal([&](QWidget* pDialog) {
            strTitle = pDialog->windowTitle();
            auto* pSlider = pDialog->findChild<QSlider*>("slider1067");
            pSlider->setValue(250);
            strBrightness = pDialog->findChild<QLabel*>("static1071")->text();
            nBrighter = m_pSource->m_pBits[0];
            pSlider->setValue(200);
            back = QByteArray(reinterpret_cast<const char*>(m_pSource->m_pBits), start.size());
            pDialog->findChild<QSlider*>("slider1068")->setValue(300);
            PressButton(pDialog, "CANCEL");
        });
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_COLOR_BRIGHTNESS_CONTRAST));
        QCOMPARE(strTitle, QStringLiteral("Adjust Brightness \\ Contrast"));
        QCOMPARE(strBrightness, QStringLiteral("50"));
        QCOMPARE(nBrighter, std::min(255, nFirst + 50));
        QCOMPARE(back, start);
        QCOMPARE(m_pSource->m_pBitmap, pStart);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(m_pSource->m_pBits), start.size()), start);

        // Escape cancels as well; OK keeps the last preview; no new window either way.
        DriveNextModal([](QWidget* pDialog) {
            pDialog->findChild<QSlider*>("slider1068")->setValue(0);
            QTest::keyClick(pDialog, Qt::Key_Escape);
        });
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_COLOR_BRIGHTNESS_CONTRAST));
        QCOMPARE(m_pSource->m_pBitmap, pStart);
        DriveNextModal([](QWidget* pDialog) {
            pDialog->findChild<QSlider*>("slider1067")->setValue(0); // brightness -200
            PressButton(pDialog, "OK");
        });
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_COLOR_BRIGHTNESS_CONTRAST));
        QVERIFY(m_pSource->m_pBitmap != pStart);
        QByteArray darker = start;
        for (char& c : darker)
            c = char(std::max(0, uint8_t(c) - 200));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(m_pSource->m_pBits), start.size()), darker);
        QCOMPARE(m_pSource->m_dElapsed, 9.0);
        QCOMPARE(m_pApp->m_pDocTemplate->GetDocuments().size(), size_t(1));
    }

private:
    QTemporaryDir m_dir;
    CAppFixture m_app;
    CWinApp* m_pApp = nullptr;
    CLumivoDoc* m_pSource = nullptr;
};

QTEST_MAIN(CTestCommands)
#include "tst_commands.moc"
