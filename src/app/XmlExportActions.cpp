#include "app/XmlExportActions.h"

#include "app/Main_FRM.h"
#include "exchange/VRXSampleXML_DM.h"
#include "exchange/ui/SampleExportToXML_FRM.h"

XmlExportActions::XmlExportActions(TMainfrm &window, TMaindm &maindm)
    : m_window(window), m_generator(std::make_unique<TVRXSampleXMLDM>(maindm))
{
    VRXSampleXMLDM = m_generator.get();
    TMainfrm *owner = &window;
    window.SetActionHandler(window.actExportSamplesToXML, [owner]() {
        TBasefrm::CreateAndShow<TSampleExportToXMLFrm>(TMainfrm::ActionFormKey(owner->actExportSamplesToXML), owner,
                                                       false);
    });
}

XmlExportActions::~XmlExportActions()
{
    m_window.SetActionHandler(m_window.actExportSamplesToXML, {});
    VRXSampleXMLDM = nullptr;
}
