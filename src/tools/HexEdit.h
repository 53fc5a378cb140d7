#pragma once
// The hosted hex view as the hex file viewer calls it: the dialog's item 1000, exposing the view's
// six members ShowAddress, ShowAscii, AddressDigits, DataDigits, Columns and SetData.
#include "tools/HexView.h"

#include <QVBoxLayout>
#include <QWidget>

class CHexEdit : public QWidget {
public:
    explicit CHexEdit(QWidget* pParent = nullptr) : QWidget(pParent), m_pView(new CHexView(this))
    {
        auto* pLayout = new QVBoxLayout(this);
        pLayout->setContentsMargins(0, 0, 0, 0);
        pLayout->addWidget(m_pView);
        setFocusProxy(m_pView);
    }

    bool GetShowAddress() const { return m_pView->GetShowAddress(); }
    void SetShowAddress(bool bShow) { m_pView->SetShowAddress(bShow); }
    bool GetShowAscii() const { return m_pView->GetShowAscii(); }
    void SetShowAscii(bool bShow) { m_pView->SetShowAscii(bShow); }
    short GetAddressDigits() const { return m_pView->GetAddressDigits(); }
    void SetAddressDigits(short nDigits) { m_pView->SetAddressDigits(nDigits); }
    short GetDataDigits() const { return m_pView->GetDataDigits(); }
    void SetDataDigits(short nDigits) { m_pView->SetDataDigits(nDigits); }
    short GetColumns() const { return m_pView->GetColumns(); }
    void SetColumns(short nColumns) { m_pView->SetColumns(nColumns); }
    long SetData(std::shared_ptr<const CHexData> pData, long nFlags)
    {
        return m_pView->SetData(std::move(pData), nFlags);
    }

    CHexView* GetView() const { return m_pView; }

private:
    CHexView* m_pView;
};
