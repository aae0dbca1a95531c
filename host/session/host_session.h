// The stand-in host's whole state in one object: its identity, log, dialog
// script, script parameters and run error (HostState), its documents
// (DocumentStore, and the current functional project in FmrDocuments) and
// the outcome of every file the run writes (RunOutputs). Every exported host
// function reaches it through the one session pointer; the instance()
// accessors of those classes are views into the current session.
#pragma once

#include "host/documents/doc_fmr.h"
#include "host/documents/doc_store.h"
#include "host/session/host_state.h"
#include "host/session/run_outputs.h"

namespace talvora::session {

class HostSession {
public:
    // The session the exported functions act on.
    static HostSession& current();

    HostState& state() { return state_; }
    DocumentStore& documents() { return documents_; }
    FmrDocuments& fmr() { return fmr_; }
    RunOutputs& outputs() { return outputs_; }

    // A fresh host for the next job: default identity, empty log, script,
    // events, parameters and run error, every document closed (the functional
    // project too), no file outcomes recorded. How the host talks to its user
    // (log echo, terminal answers, the dialog
    // answerer and the log observer) stays as it was set.
    void beginJob();

private:
    HostSession() = default;
    HostState state_;
    DocumentStore documents_;
    FmrDocuments fmr_;
    RunOutputs outputs_;
};

}  // namespace talvora::session

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace session;
}  // namespace talvora
