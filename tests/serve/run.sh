#!/usr/bin/env bash
# The look-dev page of `quorv-scratches serve` in Debian's headless Chromium, through
# chromium-driver and Selenium, with Debian's Python (which has those modules). Needs the
# release build. QUORV_SCREENSHOT=FILE also saves a picture of the page; the pictures of the
# layout check (the page at 1024 x 700, 1280 x 900 and 1920 x 1080) go to build/serve-artefacts
# (QUORV_ARTEFACTS=DIR names another folder).
set -euo pipefail
cd "$(dirname "$0")/../.."
exec /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/serve "$@"
