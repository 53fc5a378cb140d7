#pragma once
// The hex view: the bytes of a file in hexadecimal rows with optional addresses and an ASCII column.
// Opening reads nothing: opening costs the same for any size and painting reads only the rows it shows.
#include <QAbstractScrollArea>
#include <QFile>
#include <memory>

// A file open for reading. It is read, not mapped: a mapped file that another program shortens, or
// whose disk goes away, ends the program on the next touch of a lost page.
class CHexData {
public:
    // The open file, or null with the reason in eError.
    static std::shared_ptr<const CHexData> Open(const QString& strPath, QFileDevice::FileError& eError);
    CHexData(const CHexData&) = delete;
    CHexData& operator=(const CHexData&) = delete;

    // The size when it was opened.
    qint64 Size() const { return m_nSize; }
    // Reads up to nCount bytes from nOffset into pOut and returns how many it read: fewer at the
    // file's end (another program may have shortened it since) and none on a read error.
    qint64 Read(qint64 nOffset, uchar* pOut, qint64 nCount) const;

private:
    CHexData() = default;
    QFile m_file;
    qint64 m_nSize = 0;
};

class CHexView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CHexView(QWidget* pParent = nullptr);

    bool GetShowAddress() const { return m_bShowAddress; }
    void SetShowAddress(bool bShow);
    bool GetShowAscii() const { return m_bShowAscii; }
    void SetShowAscii(bool bShow);
    short GetAddressDigits() const { return m_nAddressDigits; }
    // At least this many address digits; more when the file needs them.
    void SetAddressDigits(short nDigits);
    short GetDataDigits() const { return m_nDataDigits; }
    // 2 bytes, 4 little-endian 16-bit words, 8 little-endian 32-bit words.
    void SetDataDigits(short nDigits);
    // Units per row; when set to 0 the view fits as many as its width allows and reports that count.
    short GetColumns() const;
    void SetColumns(short nColumns);
    // Shows pData (null shows nothing); nFlags is unused. Returns 0.
    long SetData(std::shared_ptr<const CHexData> pData, long nFlags);

    // Rows and scrolling.
    qint64 LineCount() const;
    qint64 TopLine() const { return m_nTopLine; }
    int VisibleLines() const;
    void SetTopLine(qint64 nLine);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int BytesPerUnit() const { return m_nDataDigits / 2; }
    int BytesPerLine() const { return GetColumns() * BytesPerUnit(); }
    int AddressWidth() const; // characters, without the gap after it
    int LineChars() const;
    void UpdateScrollBars();
    QString FormatLine(qint64 nOffset, const uchar* pBytes, int nCount) const;

    std::shared_ptr<const CHexData> m_pData;
    bool m_bShowAddress = true;
    bool m_bShowAscii = true;
    short m_nAddressDigits = 8;
    short m_nDataDigits = 2;
    short m_nColumns = 8;
    qint64 m_nTopLine = 0;
    int m_nTopLineBytes = 0; // the bytes per row m_nTopLine counts in
    int m_nCharWidth = 1;
    int m_nLineHeight = 1;
    bool m_bSettingBar = false; // the scroll bar is being set from the top line
};
