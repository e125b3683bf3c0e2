"""The end-to-end harness: lays out a Wine prefix for a scenario (scenario),
plays TBO_Setup.exe in it (play) and gathers what the play left behind
(collect); check judges the outputs against a row's expected outcome."""
