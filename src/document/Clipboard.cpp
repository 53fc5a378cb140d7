#include "document/Clipboard.h"

#include "image/Bitmap.h"
#include "image/BitmapImage.h"
#include "document/LumivoDoc.h"

#include <FreeImage.h>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QtEndian>

namespace {
const QString g_strBmpType = QStringLiteral("image/bmp");
constexpr int FILE_HEADER_SIZE = 14;

// A BMP file of a packed DIB: "BM", file size, two reserved words, offset of the pixels.
QByteArray BmpFileFromPackedDib(const QByteArray& dib, FIBITMAP* pBitmap)
{
    const size_t nPixels = size_t(FreeImage_GetPitch(pBitmap)) * FreeImage_GetHeight(pBitmap);
    QByteArray file(FILE_HEADER_SIZE, '\0');
    file[0] = 'B';
    file[1] = 'M';
    qToLittleEndian<quint32>(quint32(FILE_HEADER_SIZE + dib.size()), file.data() + 2);
    qToLittleEndian<quint32>(quint32(FILE_HEADER_SIZE + dib.size() - qsizetype(nPixels)), file.data() + 10);
    return file + dib;
}
} // namespace

bool CopyBitmapToClipboard(FIBITMAP* pBitmap)
{
    const QByteArray dib = PackedDibFromBitmap(pBitmap);
    if (dib.isEmpty())
        return false;
    auto* pData = new QMimeData;
    pData->setData(g_strBmpType, BmpFileFromPackedDib(dib, pBitmap));
    // Rows are stored bottom-up: the picture for other programs is the flipped (and so copied) wrap.
    pData->setImageData(BitmapToQImage(pBitmap).mirrored());
    QClipboard* pClipboard = QGuiApplication::clipboard();
    pClipboard->setMimeData(pData);
    // The clipboard gives back our data only when it accepted it.
    return pClipboard->mimeData() == pData;
}

bool ClipboardOffersImage(const QMimeData* pData)
{
    return pData && (pData->hasFormat(g_strBmpType) || pData->hasImage());
}

void PasteClipboardInto(CLumivoDoc& doc)
{
    const QMimeData* pData = QGuiApplication::clipboard()->mimeData();
    if (!pData)
        return;
    if (pData->hasFormat(g_strBmpType)) {
        const QByteArray file = pData->data(g_strBmpType);
        if (file.size() > FILE_HEADER_SIZE && file.startsWith("BM"))
            doc.CreateFromPackedDib(file.mid(FILE_HEADER_SIZE));
    }
    if (!doc.m_pBitmap && pData->hasImage())
        doc.CreateFromDeviceBitmap(qvariant_cast<QImage>(pData->imageData()));
}
