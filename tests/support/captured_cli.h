#pragma once
// A console tool context whose output and error streams are scratch files the test reads.
#include <cstdio>
#include <string>

#include "cli/CliContext.h"
#include "support/win_process.h"

namespace zt::test {

struct CapturedCli {
    cli::CliContext ctx;
    CapturedCli() { Capture(); }
    CapturedCli(Registry& reg, System& sys, StartupSources& sources, FileSignatures& signatures)
        : ctx(reg, sys, sources, signatures) {
        Capture();
    }
    ~CapturedCli() {
        std::fclose(ctx.out);
        std::fclose(ctx.err);
    }
    CapturedCli(const CapturedCli&) = delete;
    CapturedCli& operator=(const CapturedCli&) = delete;
    std::string Out() { return ReadAllFrom(ctx.out); }
    std::string Err() { return ReadAllFrom(ctx.err); }

  private:
    void Capture() {
        ctx.out = std::tmpfile();
        ctx.err = std::tmpfile();
    }
};

} // namespace zt::test
