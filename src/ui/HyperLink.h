#pragma once
// A static text that behaves like a web link: link, visited and hover colours, underlined while the
// mouse is over it, a pointing cursor and a tooltip; a click opens its address in the user's browser.
#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QLabel>

class CHyperLink : public QLabel {
    Q_OBJECT
public:
    // Result above this is success; at or below it a failure code of the table ErrorReason knows.
    enum { kOpenFailureLimit = 32 };
    // Codes the opening gives when it fails.
    enum { ERROR_FILE_NOT_FOUND = 2, ERROR_ACCESS_DENIED = 5, ERROR_BAD_FORMAT = 11, ERROR_NO_ASSOCIATION = 31 };
    // Underline modes.
    enum { UNDERLINE_NEVER = 0, UNDERLINE_ALWAYS = 1, UNDERLINE_HOVER = -1 };

    // strText is the static's text; when no address is set, the text is the address, and an empty
    // text shows the address.
    explicit CHyperLink(const QString& strText, QWidget* pParent = nullptr, const QString& strURL = QString());
    ~CHyperLink() override;

    // Stores the address and the tooltip text; fits the window to its text.
    void SetURL(const QString& strURL, const QString& strTipText);
    QString GetURL() const { return m_strURL; }
    QString GetTipText() const { return m_strTipText; }
    bool GetVisited() const { return m_bVisited; }
    // The colour the text is drawn in now.
    QColor GetTextColour() const;

    // Opens strURL through the desktop's opener (xdg-open); when that fails and $BROWSER names a
    // browser, with the first command of $BROWSER. Returns a value above 32 on success, otherwise
    // the failure code (31 no handler, 2 the browser program does not exist, 5 it is no executable
    // file, 11 it could not be started).
    static int GotoURL(const QString& strURL);
    // "Unable to open hyperlink:" and the reason for nError.
    static QString ErrorMessage(int nError);

protected:
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;

private:
    void PositionWindow();
    void ApplyLook();

    QString m_strURL;
    QString m_strTipText;
    QColor m_crLinkColour{0, 0, 238};
    QColor m_crVisitedColour{85, 26, 139};
    QColor m_crHoverColour{255, 0, 0};
    bool m_bOverControl = false;
    bool m_bVisited = false;
    int m_nUnderline = UNDERLINE_HOVER;
    bool m_bAdjustToFit = true;
    QBasicTimer m_timer; // hover test every 100 ms while the mouse is over the text
    QFont m_StdFont;
    QFont m_UnderlineFont;
};
