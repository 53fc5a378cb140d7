#pragma once
// A parameter dialog's fields from an operation's declaration: one field per parameter, bound in order
// to the dialog's members, which start at the declared defaults.
#include "framework/Dialog.h"
#include "processing/Operations.h"

#include <initializer_list>

inline void AddOperationFields(CDialog& dialog, const char* pszOperation, std::initializer_list<void*> values)
{
    const SOperation* pOperation = FindOperation(QString::fromLatin1(pszOperation));
    Q_ASSERT(pOperation && pOperation->params.size() == values.size());
    auto ppValue = values.begin();
    for (const SOperationParam& param : pOperation->params) {
        void* pValue = *ppValue++;
        static constexpr CDialog::EFieldType kTypes[] = {CDialog::FIELD_INT,   CDialog::FIELD_UINT,
                                                         CDialog::FIELD_DOUBLE, CDialog::FIELD_RADIO,
                                                         CDialog::FIELD_CHECK, CDialog::FIELD_COMBO};
        switch (param.eType) {
        case PARAM_UINT: *static_cast<unsigned*>(pValue) = unsigned(param.dDefault); break;
        case PARAM_DOUBLE: *static_cast<double*>(pValue) = param.dDefault; break;
        case PARAM_CHECK: *static_cast<bool*>(pValue) = param.dDefault != 0; break;
        default: *static_cast<int*>(pValue) = int(param.dDefault); break;
        }
        dialog.AddField({QString::fromLatin1(param.pszControl), QString::fromLatin1(param.pszLabel),
                         kTypes[param.eType], pValue, param.dMin, param.dMax, param.bRange,
                         QString::fromLatin1(param.pszGroup)});
    }
}
