# A short form of the soak (bench/soak.cpp): enough steps and door runs to show a leak of a
# picture or a descriptor per step, in a few seconds. It fails when resident memory grows by
# the bound or more after its warm-up, or when the number of open descriptors changes.
add_test(NAME soak_short
         COMMAND $<TARGET_FILE:soak> --steps 5000 --door-runs 10 --samples 10
                 --bound-kib 5120)
set_tests_properties(soak_short PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
