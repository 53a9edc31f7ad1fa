#include "CalvoraApp.h"

#include "Bootstrap.h"
#include "CalvoraView.h"
#include "PrintService.h"
#include "Store.h"

CalvoraApp::CalvoraApp(QObject* parent)
    : QObject(parent)
{
}

CalvoraApp::~CalvoraApp()
{
    delete m_agenda;
}

Store& CalvoraApp::store()
{
    if (!m_store)
        m_store = std::make_unique<Store>(Bootstrap::database());
    return *m_store;
}

CalvoraView& CalvoraApp::agendaWindow()
{
    if (!m_agenda) {
        Store& shared = store();
        AgendaPanels panels;
        panels.print = [this, &shared](PrintLayout layout, bool duplex) {
            PrintService::print(m_agenda, shared, layout, duplex);
        };
        m_agenda = new CalvoraView(shared, std::move(panels));
        m_agenda->setAttribute(Qt::WA_DeleteOnClose, false);
        m_agenda->resize(1440, 900);
    }
    return *m_agenda;
}
