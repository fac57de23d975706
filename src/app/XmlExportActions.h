#pragma once

#include <memory>

class TMainfrm;
class TMaindm;
class TVRXSampleXMLDM;

// The sample XML export as the main window offers it, from login to close: the program's sample
// XML generator (the global VRXSampleXMLDM) and "Export Samples to XML", which opens the "Sample
// export" form (modeless, key "SampleExportFrm").
class XmlExportActions
{
public:
    XmlExportActions(TMainfrm &window, TMaindm &maindm);
    ~XmlExportActions();
    XmlExportActions(const XmlExportActions &) = delete;
    XmlExportActions &operator=(const XmlExportActions &) = delete;

private:
    TMainfrm &m_window;
    std::unique_ptr<TVRXSampleXMLDM> m_generator;
};
