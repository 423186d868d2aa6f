# Packs game/ into data/*.dat beside the velmira executable.
