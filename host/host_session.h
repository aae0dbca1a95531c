// The stand-in host's whole state in one object: its identity, log, dialog
// script, script parameters and run error (HostState) and its documents
// (DocumentStore). Every exported host function reaches it through the one
// session pointer; HostState::instance() and DocumentStore::instance() are
// views into the current session.
#pragma once

#include "host/doc_store.h"
#include "host/host_state.h"

namespace talvora {

class HostSession {
public:
    // The session the exported functions act on.
    static HostSession& current();

    HostState& state() { return state_; }
    DocumentStore& documents() { return documents_; }

    // A fresh host for the next job: default identity, empty log, script,
    // events, parameters and run error, every document closed. How the host
    // talks to its user (log echo, terminal answers) stays as it was set.
    void beginJob();

private:
    HostSession() = default;
    HostState state_;
    DocumentStore documents_;
};

}  // namespace talvora
