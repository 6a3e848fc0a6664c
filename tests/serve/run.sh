#!/usr/bin/env bash
# The look-dev page of `quorv-scratches serve` in Debian's headless Chromium, through
# chromium-driver and Selenium, with Debian's Python (which has those modules). Needs the
# release build. QUORV_SCREENSHOT=FILE also saves a picture of the page.
set -euo pipefail
cd "$(dirname "$0")/../.."
exec /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/serve "$@"
