# Read by ctest after the discovered tests are defined. These tests film a real-time source
# (a libavfilter graph paced at 30 frames a second) into libx264 at 1280x720 and judge the file by
# the clock: they need the machine's cores to themselves, so nothing else runs beside them.
set_tests_properties(
    GhiThat.ALavfiCameraRecordsThroughTheWholePipeline
    GhiThat.ASigkillLeavesAPlayableFile
    PROPERTIES RUN_SERIAL TRUE)
# Both start the shipped program with a Haravan token stored in the session's one keyring item, and each skips
# when it finds that item taken; run side by side, one would always skip.
set_tests_properties(
    UngDungThatDongBo.StartUpSyncOfTheShippedProgramFillsItsStore
    UngDungThatDongBo.ADeeplyNestedOrderIsASyncErrorAndTheProgramKeepsRunning
    PROPERTIES RESOURCE_LOCK khoa_haravan_that)
