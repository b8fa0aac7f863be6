// The page of `vantel-host serve` as a user meets it: from a click to the frame that shows
// what the plug-in made of it, in chromium. The inline 4 example's edit dialog is open; its
// tabs are flipped, then its teeth list changes between two counts. Measured inside the page
// (performance.now() as the click is dispatched, again in the first animation frame after the
// page has drawn the server's answer), so that WebDriver's own round trips do not count.
//   serve_page_bench [--events=N]   (default 100 of each)
// Prints p50, p95 and max per kind of event; fails when the page does not show the answer.
// Exits 77 (skipped) without chromium.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "browser_session.h"
#include "serve_client.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using vantel::host::ServedHost;
using namespace std::chrono_literals;

constexpr uint32_t kInline4 = 12;

// arguments: kind ("tab" or "list"), count, then the callback. Answers { times } in ms, or
// { error }.
constexpr const char* kClicks = R"js(
  const [kind, count, done] = arguments;
  const top = () => { const w = document.querySelectorAll('dialog.window'); return w[w.length - 1]; };
  const version = () => Number(document.body.dataset.version);
  // The page sets the version once it has drawn a state.
  const drawn = (after) => new Promise((resolve, reject) => {
    if (version() > after) return resolve();
    const watch = new MutationObserver(() => {
      if (version() > after) { watch.disconnect(); resolve(); }
    });
    watch.observe(document.body, { attributes: true, attributeFilter: ['data-version'] });
    setTimeout(() => { watch.disconnect(); reject(new Error('no answer drawn within 5 s')); }, 5000);
  });
  const frame = () => new Promise((resolve) => requestAnimationFrame(() => resolve(performance.now())));
  (async () => {
    const times = [];
    for (let i = 0; i < count; i += 1) {
      const before = version();
      let shown;
      const start = performance.now();
      if (kind === 'tab') {
        const tabs = [...top().querySelectorAll('[role=tab]')];
        const next = tabs.findIndex((t) => t.getAttribute('aria-selected') !== 'true');
        tabs[next].click();
        shown = () => top().querySelectorAll('[role=tab]')[next].getAttribute('aria-selected') === 'true';
      } else {
        const list = top().querySelector('select[data-id="1060"]');
        const next = list.selectedIndex === 26 ? 25 : 26;
        list.selectedIndex = next;
        list.dispatchEvent(new Event('change'));
        shown = () => {
          const now = top().querySelector('select[data-id="1060"]');
          return version() > before && now.selectedIndex === next;
        };
      }
      await drawn(before);
      while (!shown()) await drawn(version());
      times.push((await frame()) - start);
    }
    done({ times });
  })().catch((error) => done({ error: String(error) }));)js";

double Percentile(std::vector<double> sorted, double fraction) {
  std::sort(sorted.begin(), sorted.end());
  const size_t at = static_cast<size_t>(fraction * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[at];
}

int Run(size_t events) {
  vantel::test::TempDir folder;
  const std::string name = "inline4-60-2-sequential.json";
  fs::copy_file(fs::path(VANTEL_EXAMPLES_DIR) / name, folder.path() / name);
  ServedHost server(VANTEL_HOST_PATH, {name}, folder.path().string());
  vantel::host::browser::Driver driver(folder.path());
  vantel::host::browser::Browser browser(driver.port());
  browser.Go(server.Address());
  browser.WaitFor("return document.querySelectorAll('#machines a').length === 1;");
  const auto [status, body] = server.Post("/api/machines/" + std::to_string(kInline4) + "/edit");
  if (status != 200) throw std::runtime_error("edit: " + body);
  browser.WaitFor("return document.querySelector('dialog.window select[data-id=\"1060\"]');");
  bool failed = false;
  for (const char* kind : {"tab", "list"}) {
    const json answer =
        browser.RunAsync(kClicks, {kind, events}, std::chrono::milliseconds(events * 6000));
    if (answer.contains("error")) {
      std::fprintf(stderr, "serve_page_bench: %s: %s\n", kind,
                   answer.at("error").get<std::string>().c_str());
      failed = true;
      continue;
    }
    const std::vector<double> ms = answer.at("times");
    std::printf("%-5s events %zu  p50 %.1f ms  p95 %.1f ms  max %.1f ms\n", kind, ms.size(),
                Percentile(ms, 0.5), Percentile(ms, 0.95), Percentile(ms, 1.0));
  }
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  size_t events = 100;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--events=", 9) == 0) {
      events = std::strtoul(argv[i] + 9, nullptr, 10);
    } else {
      std::fprintf(stderr, "serve_page_bench: unknown argument %s\n", argv[i]);
      return 2;
    }
  }
  if (events == 0) {
    std::fprintf(stderr, "serve_page_bench: --events needs a count above 0\n");
    return 2;
  }
  for (const char* program :
       {vantel::host::browser::kChromium, vantel::host::browser::kChromeDriver})
    if (!fs::exists(program)) {
      std::printf("serve_page_bench: %s is missing: skipped\n", program);
      return 77;
    }
  try {
    return Run(events);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "serve_page_bench: %s\n", error.what());
    return 1;
  }
}
