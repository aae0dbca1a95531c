#include "host/session/host_session.h"

namespace talvora::session {
HostSession& HostSession::current() {
    // The one session pointer. Created on first use and never destroyed:
    // plug-ins may still log from their destructors while the program ends.
    static HostSession* const session = new HostSession();
    return *session;
}

void HostSession::beginJob() {
    const bool echo = state_.echo;
    const bool interactive = state_.interactive;
    DialogAnswerer& answerer = state_.answerer();
    auto logObserver = state_.logObserver;
    state_.reset();
    state_.echo = echo;
    state_.interactive = interactive;
    state_.setAnswerer(&answerer);
    state_.logObserver = logObserver;
    documents_.closeAll();
    fmr_.close();
    outputs_.reset();
}

HostState& HostState::instance() {
    return HostSession::current().state();
}

RunOutputs& RunOutputs::instance() {
    return HostSession::current().outputs();
}

}  // namespace talvora::session

namespace talvora::documents {

DocumentStore& DocumentStore::instance() {
    return session::HostSession::current().documents();
}

FmrDocuments& FmrDocuments::instance() {
    return session::HostSession::current().fmr();
}

}  // namespace talvora::documents
