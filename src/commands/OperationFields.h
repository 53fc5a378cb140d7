#pragma once
// Parameter dialogs built from an operation's declaration: one field per parameter, bound in order to
// the dialog's members, which start at the declared defaults and are read back as the operation's values.
#include "framework/Dialog.h"
#include "processing/Operations.h"

#include <initializer_list>
#include <utility>
#include <vector>

class COperationDialog : public CDialog {
public:
    using CDialog::CDialog;

    // The members' values in the order of the operation's parameters.
    std::vector<double> Values() const
    {
        std::vector<double> values;
        for (const auto& [eType, pValue] : m_values) {
            switch (eType) {
            case PARAM_UINT: values.push_back(*static_cast<const unsigned*>(pValue)); break;
            case PARAM_DOUBLE: values.push_back(*static_cast<const double*>(pValue)); break;
            case PARAM_CHECK: values.push_back(*static_cast<const bool*>(pValue) ? 1 : 0); break;
            default: values.push_back(*static_cast<const int*>(pValue)); break;
            }
        }
        return values;
    }

protected:
    // pValues: int* (int, radio, combo), unsigned*, double* or bool* (check) by the parameter's type.
    void AddOperationFields(const char* pszOperation, std::initializer_list<void*> pValues)
    {
        const SOperation* pOperation = FindOperation(QString::fromLatin1(pszOperation));
        Q_ASSERT(pOperation && pOperation->params.size() == pValues.size());
        auto ppValue = pValues.begin();
        for (const SOperationParam& param : pOperation->params) {
            void* pValue = *ppValue++;
            static constexpr EFieldType kTypes[] = {FIELD_INT,   FIELD_UINT,  FIELD_DOUBLE,
                                                    FIELD_RADIO, FIELD_CHECK, FIELD_COMBO};
            switch (param.eType) {
            case PARAM_UINT: *static_cast<unsigned*>(pValue) = unsigned(param.dDefault); break;
            case PARAM_DOUBLE: *static_cast<double*>(pValue) = param.dDefault; break;
            case PARAM_CHECK: *static_cast<bool*>(pValue) = param.dDefault != 0; break;
            default: *static_cast<int*>(pValue) = int(param.dDefault); break;
            }
            AddField({QString::fromLatin1(param.pszControl), QString::fromLatin1(param.pszLabel), kTypes[param.eType],
                      pValue, param.dMin, param.dMax, param.bRange, QString::fromLatin1(param.pszGroup)});
            m_values.emplace_back(param.eType, pValue);
        }
    }

private:
    std::vector<std::pair<EParamType, void*>> m_values;
};
