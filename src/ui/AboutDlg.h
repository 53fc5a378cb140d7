#pragma once
// The About box: icon, version and a link to the product web site.
#include <QDialog>

class CHyperLink;

// The product web site, shown by the About box and the usage notice.
inline constexpr char g_szWebSite[] = "https://lumivo.example.org/";

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    CHyperLink* GetHyperLink() const { return m_pHyperLink; }

private:
    CHyperLink* m_pHyperLink;
};
