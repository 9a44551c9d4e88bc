"""The Processing algorithms: label a layer's legend from an expression, and
give it back its labels from before."""
from qgis.core import (QgsProcessingAlgorithm, QgsProcessingException, QgsProcessingOutputString,
                       QgsProcessingParameterBoolean, QgsProcessingParameterEnum, QgsProcessingParameterNumber,
                       QgsProcessingParameterString, QgsProcessingParameterVectorLayer)

from . import engine


def labels_text(labels):
    """LABELS is declared a string (QgsProcessingOutputString): a list would
    not be one, and qgis_process shows it empty."""
    return "\n".join(labels)


RECORD_CHOICES = ["The layer's filter when it has one, else all records", "All records", "The selected features"]


class _LayerAlgorithm(QgsProcessingAlgorithm):
    def group(self):
        return "Legend labels"

    def groupId(self):
        return "legendlabels"

    def _layer(self, parameters, context):
        layer = self.parameterAsVectorLayer(parameters, "INPUT", context)
        if layer is None:
            raise QgsProcessingException("No layer given (INPUT).")
        problem = engine.layer_problem(layer)
        if problem:
            raise QgsProcessingException(problem)
        return layer


class ApplyLabelsAlgorithm(_LayerAlgorithm):
    """Makes the program run off the main thread (processAlgorithm) and
    writes the labels into the layer on it (postProcessAlgorithm)."""

    def name(self):
        return "applylabels"

    def displayName(self):
        return "Apply legend labels"

    def shortHelpString(self):
        return ("Rewrites the label of every class of the layer's legend from one label expression, e.g. "
                "[USE].First.UCase - [DESCRIPT].First ([ACRES].Sum.Round(0) ac.), computed from the class's "
                "records. The layer in the current project changes; the labels from before the first apply are "
                "kept with it for Reset legend labels. Returns the labels as text, one line per class in the "
                "legend's order (LABELS).")

    def createInstance(self):
        return ApplyLabelsAlgorithm()

    def initAlgorithm(self, config=None):
        self.addParameter(QgsProcessingParameterVectorLayer("INPUT", "Layer"))
        self.addParameter(QgsProcessingParameterString("EXPRESSION", "Label expression"))
        self.addParameter(QgsProcessingParameterEnum("RECORDS", "Records the labels count", RECORD_CHOICES,
                                                     defaultValue=0))
        self.addParameter(QgsProcessingParameterNumber("WRAP", "Wrap labels longer than (characters, 0: never)",
                                                       QgsProcessingParameterNumber.Integer, defaultValue=0,
                                                       minValue=0))
        self.addParameter(QgsProcessingParameterBoolean("ALL_OTHER_VALUES", "Label the all-other-values class",
                                                        defaultValue=True))
        self.addOutput(QgsProcessingOutputString("LABELS", "Labels"))

    def prepareAlgorithm(self, parameters, context, feedback):
        self.layer = self._layer(parameters, context)
        self.expression = self.parameterAsString(parameters, "EXPRESSION", context)
        if not self.expression.strip():
            raise QgsProcessingException("No label expression given (EXPRESSION).")
        self.options = engine.Options(records=self.parameterAsEnum(parameters, "RECORDS", context),
                                      wrap=self.parameterAsInt(parameters, "WRAP", context),
                                      all_other_values=self.parameterAsBool(parameters, "ALL_OTHER_VALUES", context))
        try:
            self.job = engine.prepare(self.layer, self.expression, self.options)
        except engine.CarrowindError as e:
            raise QgsProcessingException(str(e))
        return True

    def processAlgorithm(self, parameters, context, feedback):
        try:
            self.result = engine.result_of(self.job, engine.run(self.job, feedback))
        except engine.CarrowindError as e:
            self.job.close()
            raise QgsProcessingException(str(e))
        return {}

    def postProcessAlgorithm(self, context, feedback):
        try:
            labels = engine.finish_apply(self.layer, self.job, self.result, self.expression, self.options)
        except engine.CarrowindError as e:
            raise QgsProcessingException(str(e))
        finally:
            self.job.close()
        for label in labels:
            feedback.pushInfo(label)
        return {"LABELS": labels_text(labels)}


class ResetLabelsAlgorithm(_LayerAlgorithm):
    def name(self):
        return "resetlabels"

    def displayName(self):
        return "Reset legend labels"

    def shortHelpString(self):
        return ("Gives the layer's legend back the labels it had before Carrowind's first apply. Returns them as "
                "text, one line per class in the legend's order (LABELS).")

    def createInstance(self):
        return ResetLabelsAlgorithm()

    def flags(self):
        # It only writes into the layer, which belongs to the main thread.
        return super().flags() | QgsProcessingAlgorithm.FlagNoThreading

    def initAlgorithm(self, config=None):
        self.addParameter(QgsProcessingParameterVectorLayer("INPUT", "Layer"))
        self.addOutput(QgsProcessingOutputString("LABELS", "Labels"))

    def processAlgorithm(self, parameters, context, feedback):
        layer = self._layer(parameters, context)
        try:
            labels = engine.reset_labels(layer)
        except engine.CarrowindError as e:
            raise QgsProcessingException(str(e))
        return {"LABELS": labels_text(labels)}
