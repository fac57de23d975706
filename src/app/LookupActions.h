#pragma once

// The lookup lists in the program's run: the one lookup module, made after login on the main
// connection before the other shared modules, and the main window's actions that draw on the
// lists ("Export Lookup data" and "Category Tree").

#include <memory>

class QObject;
class TLookupDataDm;
class TOptionalLookupDataDM;
class TMaindm;
class TMainfrm;

// A lookup module on Maindm's main connection, filtering the laboratories by the authority's
// LocalLaboratories setting; nothing loaded yet.
std::unique_ptr<TLookupDataDm> NewLookupDataDm(TMaindm &maindm, QObject *parent = nullptr);

// The program's LookupDataDm and OptionalLookupDataDM for the run: made at construction, the lookup
// lists loaded (lists whose rows are damaged are named in one message, on standard error in batch
// runs), the globals pointing at them until destruction. Rows a synchronisation brings later are taken in at the next login. Throws
// VarnexError when the store cannot be read.
class LookupDataModule
{
public:
    explicit LookupDataModule(TMaindm &maindm);
    ~LookupDataModule();
    LookupDataModule(const LookupDataModule &) = delete;
    LookupDataModule &operator=(const LookupDataModule &) = delete;

    TLookupDataDm &module() const { return *m_module; }

private:
    std::unique_ptr<TLookupDataDm> m_module;
    std::unique_ptr<TOptionalLookupDataDM> m_optional;
};

// Makes "Export Lookup data" (asks "Save Lookup Data to file"; on OK a module of its own writes
// every list into "vrxlookups" under the current folder), the "Category Tree" viewer and the two pick
// list editors ("Lookuplists", "AFLookuplists", modeless) available.
void InstallLookupActions(TMainfrm &window, TMaindm &maindm);
