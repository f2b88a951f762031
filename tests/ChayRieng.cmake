# Read by ctest after the discovered tests are defined. These tests film a real-time source
# (a libavfilter graph paced at 30 frames a second) into libx264 at 1280x720 and judge the file by
# the clock: they need the machine's cores to themselves, so nothing else runs beside them.
set_tests_properties(
    GhiThat.ALavfiCameraRecordsThroughTheWholePipeline
    GhiThat.ASigkillLeavesAPlayableFile
    PROPERTIES RUN_SERIAL TRUE)
